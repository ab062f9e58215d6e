#include "editor/edithistory.h"

void edithistory::begin(editkind kind, int cursor) {
    if (open) end(cursor);
    editstep step;
    step.kind = kind;
    step.cursorbefore = step.cursorafter = cursor;
    done.push_back(std::move(step));
    open = true;
    typingopen = false;
}

bool edithistory::continuetyping(int cursor) {
    if (open || !typingopen || done.empty()) return false;
    const editstep& last = done.back();
    if (last.kind != editkind::typing || last.cursorafter != cursor) return false;
    open = true;
    return true;
}

void edithistory::record(int at, const unsigned char* removed, int removedlength, const unsigned char* inserted,
                         int insertedlength) {
    if (!open || done.empty()) return;
    editstep& step = done.back();
    editrecord r{at, std::string(reinterpret_cast<const char*>(removed), size_t(removedlength)),
                 std::string(reinterpret_cast<const char*>(inserted), size_t(insertedlength))};
    const size_t n = r.removed.size() + r.inserted.size() + sizeof(editrecord);
    step.records.push_back(std::move(r));
    step.bytes += n;
    total += n;
    // A new change drops the steps that could have been redone.
    undone.clear();
}

void edithistory::end(int cursor) {
    if (!open) return;
    open = false;
    editstep& step = done.back();
    if (step.records.empty()) {
        done.pop_back();
        typingopen = false;
        return;
    }
    step.cursorafter = cursor;
    typingopen = step.kind == editkind::typing;
    trim();
}

void edithistory::trim() {
    while (total > budget && done.size() > 1) {
        total -= done.front().bytes;
        done.pop_front();
    }
}

const editstep* edithistory::undo() {
    typingopen = false;
    if (open || done.empty()) return nullptr;
    undone.push_back(std::move(done.back()));
    done.pop_back();
    total -= undone.back().bytes;
    return &undone.back();
}

const editstep* edithistory::redo() {
    typingopen = false;
    if (open || undone.empty()) return nullptr;
    done.push_back(std::move(undone.back()));
    undone.pop_back();
    total += done.back().bytes;
    trim();
    return done.empty() ? nullptr : &done.back();
}
