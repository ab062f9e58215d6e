// Undo and redo: a step puts back the bytes it took out and the cursor as it
// was before it; the text as loaded or saved comes back byte for byte.
#include "editor/editview.h"

namespace {

const char* nameof(editkind kind) {
    switch (kind) {
    case editkind::typing: return "\xCA\xE4\xC8\xEB";     // 输入
    case editkind::linebreak: return "\xBB\xBB\xD0\xD0";  // 换行
    case editkind::deletion: return "\xC9\xBE\xB3\xFD";   // 删除
    case editkind::backspace: return "\xCD\xCB\xB8\xF1";  // 退格
    case editkind::cut: return "\xBC\xF4\xC7\xD0";        // 剪切
    case editkind::paste: return "\xD5\xB3\xCC\xF9";      // 粘贴
    }
    return "";
}

}  // namespace

void editview::replay(const editstep& step, bool forward) {
    replaying = true;
    if (forward) {
        for (const editrecord& r : step.records)
            replacetext(r.at, r.at + int(r.removed.size()), reinterpret_cast<const unsigned char*>(r.inserted.data()),
                        int(r.inserted.size()));
    } else {
        for (auto r = step.records.rbegin(); r != step.records.rend(); ++r)
            replacetext(r->at, r->at + int(r->inserted.size()),
                        reinterpret_cast<const unsigned char*>(r->removed.data()), int(r->removed.size()));
    }
    replaying = false;
    forgetpendingbyte();
    selmode = extendsel = false;
    setcur(content + (forward ? step.cursorafter : step.cursorbefore));
}

// Undoes (forward false) or redoes one step and says which.
void editview::stepthroughhistory(bool forward) {
    const editstep* step = forward ? history.redo() : history.undo();
    if (!step) {
        shownote(forward ? "\xC3\xBB\xD3\xD0\xBF\xC9\xD6\xD8\xD7\xF6\xB5\xC4\xD0\xDE\xB8\xC4"   // 没有可重做的修改
                         : "\xC3\xBB\xD3\xD0\xBF\xC9\xB3\xB7\xCF\xFA\xB5\xC4\xD0\xDE\xB8\xC4"); // 没有可撤销的修改
    } else {
        replay(*step, forward);
        const std::string done = forward ? "\xD2\xD1\xD6\xD8\xD7\xF6" : "\xD2\xD1\xB3\xB7\xCF\xFA";  // 已重做, 已撤销
        shownote((done + nameof(step->kind)).c_str());
    }
    draw();
}

void editview::undo() { stepthroughhistory(false); }

void editview::redo() { stepthroughhistory(true); }
