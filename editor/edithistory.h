// The undo history: every change of the text as the bytes it took out and
// put in, grouped into the steps a user undoes one at a time. It keeps as
// many of the latest steps as fit in its byte budget, oldest dropped first.
#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

// What a step did, for the message that names what was undone.
enum class editkind { typing, linebreak, deletion, backspace, cut, paste };

struct editrecord {
    int at;                 // offset of the change
    std::string removed;    // bytes taken out at `at`
    std::string inserted;   // bytes put in their place
};

struct editstep {
    editkind kind;
    int cursorbefore;       // cursor offset before the step
    int cursorafter;        // and after it
    std::vector<editrecord> records;
    size_t bytes = 0;       // recorded bytes, for the budget
};

class edithistory {
public:
    static constexpr size_t defaultbudget = 8u << 20;
    explicit edithistory(size_t budget = defaultbudget) : budget(budget) {}

    // Opens a step; changes recorded until end() belong to it. A typing step
    // may instead continue the last one (see continuetyping).
    void begin(editkind kind, int cursor);
    // True, and the last step reopened, when it is a typing step that ended
    // where the cursor now is and nothing came between.
    bool continuetyping(int cursor);
    void record(int at, const unsigned char* removed, int removedlength, const unsigned char* inserted,
                int insertedlength);
    // Closes the open step; a step that changed nothing is dropped.
    void end(int cursor);
    // Nothing may join the last typing step any more (a key, a click, Backspace).
    void interrupt() { typingopen = false; }

    bool recording() const { return open; }
    // The step to undo (moved to the redo list), or null.
    const editstep* undo();
    // The step to redo (moved back to the undo list), or null.
    const editstep* redo();
    size_t steps() const { return done.size(); }
    size_t redosteps() const { return undone.size(); }
    size_t recordedbytes() const { return total; }

private:
    size_t budget;
    std::deque<editstep> done;
    std::vector<editstep> undone;
    size_t total = 0;
    bool open = false;
    bool typingopen = false;
    void trim();
};
