// Measures how many keys the pinyin input method needs per Chinese character
// of a real text, driving the input method's own code through its key
// handling. The model user types each character's reading letter by letter,
// takes a suggested phrase (slots 6 to 9) as soon as one starts the rest of
// the text, and otherwise pages with '.' until the character shows in slots
// 0 to 5 and takes it with its digit (space for slot 0). A character its
// reading does not reach is typed again under a reading the dictionary has.
// The same text is measured with the phrases in dictionary order and with
// the most frequent first; the letters alone give the floor.
//
//   keysperhanzi READINGS   (the output of tools/keysreadings.mjs; see tools/keysperhanzi.sh)
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/amybitmapwin.h"
#include "ime/inpywb.h"
#include "ime/pyinput.h"
#include "widgets/statusbar.h"

namespace {

struct hanzi {
    std::string gb;       // two GB2312 bytes
    std::string reading;  // pinyin in context
};
using run = std::vector<hanzi>;  // characters with nothing between them

// Takes the characters the editor would get, as the editor does.
class textsink : public amyview {
public:
    std::string text;
    bool keymouse(int type, int a, int, int, int, int) override {
        if (type != eventchar) return false;
        text += char(a);
        return true;
    }
};

struct tally {
    long keys = 0;
    long letters = 0;
    long hanzi = 0;
    long phrases = 0;      // suggestions taken
    long phrasehanzi = 0;  // characters they covered
    long rereadings = 0;   // characters typed again under another reading
    long unreachable = 0;
};

class typist {
public:
    typist(pyinput& ime, textsink& sink, tally& t) : ime(ime), sink(sink), t(t) {}

    void typerun(const run& r) {
        size_t i = 0;
        while (i < r.size()) {
            ++t.hanzi;
            t.letters += long(r[i].reading.size());
            size_t taken = attempt(r, i, r[i].reading);
            if (taken == 0) {
                ++t.rereadings;
                for (const std::string& other : dictionaryreadings(r[i].gb))
                    if ((taken = attempt(r, i, other)) > 0) break;
            }
            if (taken == 0) {
                ++t.unreachable;
                taken = 1;
                sink.text += r[i].gb;  // not typed: keeps the comparison in step
            }
            t.hanzi += long(taken) - 1;
            for (size_t k = 1; k < taken; ++k) t.letters += long(r[i + k].reading.size());
            i += taken;
        }
    }

private:
    pyinput& ime;
    textsink& sink;
    tally& t;

    void press(int c) {
        ++t.keys;
        ime.keymouse(eventchar, c, 0, 0, 0, 0);
    }
    std::string candidate(const digiselview& sel, int k) const {
        const char* text = sel.candidate(k);
        return text ? std::string(text, size_t(sel.charlens[k])) : std::string();
    }
    static std::string chinese(const std::string& s) {
        size_t n = 0;
        while (n < s.size() && (static_cast<unsigned char>(s[n]) & 0x80)) ++n;
        return s.substr(0, n);
    }
    // The longest suggestion that starts the rest of the run, taken: the
    // number of characters it covers, or 0.
    size_t takephrase(const run& r, size_t i) {
        int best = -1;
        size_t bestlength = 0;
        for (int k = 6; k <= 9; ++k) {
            const std::string p = chinese(candidate(*ime.chisel, k));
            const size_t n = p.size() / 2;
            if (n == 0 || i + n > r.size() || n <= bestlength) continue;
            bool same = true;
            for (size_t j = 0; j < n && same; ++j) same = p.compare(2 * j, 2, r[i + j].gb) == 0;
            if (same) {
                best = k;
                bestlength = n;
            }
        }
        if (best < 0) return 0;
        press('0' + best);
        ++t.phrases;
        t.phrasehanzi += long(bestlength);
        return bestlength;
    }
    // Characters taken from position i with one reading, 0 when it does not
    // reach the character (the composition is then cancelled).
    size_t attempt(const run& r, size_t i, const std::string& reading) {
        for (char letter : reading) {
            press(letter);
            if (size_t n = takephrase(r, i)) return n;
        }
        for (int pages = 0; pages < 2000; ++pages) {
            for (int k = 0; k <= 5; ++k) {
                if (chinese(candidate(*ime.zhisel, k)) != r[i].gb) continue;
                press(k == 0 ? ' ' : '0' + k);
                return 1;
            }
            const int before = ime.zhipos;
            press('.');
            if (size_t n = takephrase(r, i)) return n;
            if (ime.zhipos == before) break;
        }
        ime.keymouse(eventchar, 0, 0, 0, 0, 0);  // cancel
        ++t.keys;
        return 0;
    }
    static std::vector<std::string> dictionaryreadings(const std::string& gb) {
        std::vector<std::string> out;
        for (int row = 0; row < zhiinputsize; ++row) {
            const unsigned char* c = keyinputhanzhi[keyinputpyindex[row]];
            if (gb[0] == char(c[0]) && gb[1] == char(c[1]))
                out.push_back(reinterpret_cast<const char*>(keyinputpy[row]));
        }
        return out;
    }
};

// The GB2312 bytes of one UTF-8 character, or "" when it has none.
std::string togb2312(iconv_t cd, const std::string& utf8) {
    char out[8];
    char* in = const_cast<char*>(utf8.data());
    size_t inleft = utf8.size(), outleft = sizeof out;
    char* o = out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inleft, &o, &outleft) == size_t(-1) || inleft != 0) return "";
    const std::string gb(out, size_t(o - out));
    if (gb.size() != 2 || static_cast<unsigned char>(gb[0]) < 0xB0 || static_cast<unsigned char>(gb[0]) > 0xF7) return "";
    return gb;
}

std::vector<run> readruns(std::istream& in, long& skipped) {
    iconv_t cd = iconv_open("GB2312", "UTF-8");
    std::vector<run> runs(1);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        std::string gb = tab == std::string::npos ? "" : togb2312(cd, line.substr(0, tab));
        if (gb.empty()) {
            if (tab != std::string::npos) ++skipped;
            if (!runs.back().empty()) runs.emplace_back();
            continue;
        }
        runs.back().push_back({gb, line.substr(tab + 1)});
    }
    iconv_close(cd);
    if (runs.back().empty()) runs.pop_back();
    return runs;
}

tally measure(const std::vector<run>& runs, bool frequent, std::string& typed) {
    amybitmapwin win(640, 120);
    mymapwin = &win;
    myview::pmymap = &win.bmp;
    statebar = nullptr;
    textsink sink;
    win.addview(&sink);
    pyinput ime;
    pyinputview = &ime;
    ime.frequentphrases = frequent;
    tally t;
    typist user(ime, sink, t);
    for (const run& r : runs) user.typerun(r);
    typed = sink.text;
    pyinputview = nullptr;
    mymapwin = nullptr;
    return t;
}

void report(const char* name, const tally& t) {
    std::printf("%-28s %.2f keys per hanzi  (%ld keys; %ld phrases taken covering %ld hanzi; "
                "%ld typed again under another reading, %ld not reached)\n",
                name, double(t.keys) / double(t.hanzi), t.keys, t.phrases, t.phrasehanzi, t.rereadings,
                t.unreachable);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: keysperhanzi READINGS\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "keysperhanzi: cannot read %s\n", argv[1]);
        return 1;
    }
    long skipped = 0;
    const std::vector<run> runs = readruns(in, skipped);
    std::string expected;
    long letters = 0, count = 0;
    for (const run& r : runs)
        for (const hanzi& h : r) {
            expected += h.gb;
            letters += long(h.reading.size());
            ++count;
        }
    if (count == 0) {
        std::fprintf(stderr, "keysperhanzi: no Chinese text\n");
        return 1;
    }
    std::printf("%ld hanzi in %zu runs (%ld characters outside the GB2312 hanzi left out)\n", count, runs.size(),
                skipped);
    std::printf("%-28s %.2f keys per hanzi\n", "pinyin letters alone", double(letters) / double(count));
    for (bool frequent : {false, true}) {
        std::string typed;
        const tally t = measure(runs, frequent, typed);
        if (typed != expected) {
            std::fprintf(stderr, "keysperhanzi: the typed text differs from the text\n");
            return 1;
        }
        report(frequent ? "most frequent phrases first" : "phrases in dictionary order", t);
    }
    return 0;
}
