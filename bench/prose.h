// Mixed Chinese and English prose for the benchmarks: paragraphs of real
// sentences with line breaks, as GBK bytes, repeated to the size asked for.
#pragma once
#include <iconv.h>

#include <string>

inline std::string gbkfromutf8(const std::string& utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inleft = utf8.size();
    char* to = out.data();
    size_t outleft = out.size();
    iconv(cd, &in, &inleft, &to, &outleft);
    iconv_close(cd);
    out.resize(out.size() - outleft);
    return out;
}

inline std::string prose(size_t bytes) {
    static const std::string paragraphs = gbkfromutf8(
        "在没有图形界面的控制台上，用户仍然需要书写中文。编辑器把每一个像素画在内存中的位图里，"
        "每按一个键就把整幅画面复制到帧缓冲设备。它自带笔画字库和拼音、五笔输入法，"
        "所以在嵌入式板卡、服务器或者救援系统上都可以直接使用。The editor keeps the text as GBK bytes, "
        "wraps it into display lines that never split a character, and redraws the whole view after every key. "
        "文本以回车换行结尾，每一行都按列宽折行；英文单词不会被拆开，除非一个单词比整行还长。\n"
        "保存的时候，编辑器先写一个临时文件，确认写入磁盘以后再改名覆盖原文件，这样即使磁盘写满，"
        "原来的文件也不会丢失。If the file cannot be written back as it was loaded, the text goes to a "
        "recovery file instead, and the status line says where.\n"
        "\t剪贴板的内容保存在一个文件里，下次启动时还能粘贴。选择文字时按F3，移动光标，再按F4复制，"
        "F5粘贴，F6剪切。Typing Chinese works through the input bar: letters make a code, digits choose a "
        "candidate, and punctuation turns into its full-width form.\n\n");
    std::string out;
    while (out.size() + paragraphs.size() <= bytes) out += paragraphs;
    // Fill up with whole characters only.
    for (size_t i = 0; out.size() < bytes && i < paragraphs.size();) {
        const size_t n = (static_cast<unsigned char>(paragraphs[i]) >= 0x80) ? 2 : 1;
        if (out.size() + n > bytes) break;
        out.append(paragraphs, i, n);
        i += n;
    }
    return out;
}
