// The editor: one view below the bars holding the whole text of one file as
// GB2312/GBK bytes, a flag byte per text byte, and the table of display lines
// the text wraps into. It loads, shows, edits and saves that one file.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "editor/edithistory.h"
#include "editor/openforloading.h"
#include "editor/lineends.h"
#include "editor/nameprompt.h"
#include "editor/textcodec.h"
#include "storage/recoveryfile.h"
#include "storage/savefile.h"
#include "widgets/amyview.h"

constexpr int maxcontlth = 1000000;   // bytes of the text buffer; one stays free for a zero
constexpr int maxlinenumber = 100000; // entries of the line table: at most maxlinenumber - 1 lines

// Layout flags, one byte per text byte.
typedef unsigned char ctrbyte;
constexpr ctrbyte ishead = 0x04;     // first byte of a two-byte character
constexpr ctrbyte istail = 0x08;     // second byte of a two-byte character
constexpr ctrbyte istab = 0x10;      // a TAB
constexpr ctrbyte isnewline = 0x20;  // a LF

// Joins the bytes of a two-byte character that arrive as two character
// events: a first byte waits for its second, a byte below 0x80 drops a
// waiting one, and the pair A3 A0, which is no character, is dropped whole.
struct characterpairer {
    unsigned char lead = 0;
    // The character b completes, into out: its length, 0 when there is none yet.
    int take(unsigned char b, unsigned char out[2]);
};

// How loading went: whether the text is the file as it is on disk, and why not.
enum class loadstate {
    whole,         // the text is the file; only LF or CR LF line ends became CR LF
    hadzero,       // a zero byte ended the text
    toolong,       // more than the text buffer holds
    toomanylines,  // more display lines than the line table holds
    altered,       // the normaliser changed more than line ends
    readerror,     // reading failed part way
    unheld,        // a UTF-8 file with characters the editor cannot hold
};

class editview final : public amyview {
public:
    // Fields in the order of the design; see each for its meaning.
    bool isactive = false;
    char* filename;                  // 500 bytes, the edited file's path
    int moveskip = 10;               // pointer moves still to be ignored
    unsigned char* curpos;           // the cursor: the character it stands on
    unsigned char* selpos;           // the selection's anchor
    bool extendsel = false;          // moving keeps the anchor
    unsigned char* content;          // the text, contlth bytes, then a zero
    unsigned char* savedcontent;     // the text as last loaded or saved
    ctrbyte* ctrbytes;               // a flag byte per text byte
    int contlth = 0;
    int savedlth = 0;
    int linenumber = 0;
    int* linestart;                  // linestart[i]: offset of display line i; [linenumber] = contlth
    int colnumber = 0;
    int rownumber = 0;
    int topline = 0;
    int cellwidth = gcharwidth / 2;
    int charheight = gcharwidth;
    int lineheight = gcharwidth * 30 / 24;
    mycolor textcolor = mycolor(0, 0, 0, 255);
    int curcol = 0;
    int curline = 0;
    bool selmode = false;
    // The cell Up, Down, Page Up and Page Down keep while they follow one
    // another, and where the last of them left the cursor; -1 when the next
    // one starts from the cursor's own cell.
    int keptcolumn = -1;
    const unsigned char* keptat = nullptr;

    static constexpr int filenamesize = 500;
    // Lay the whole text out after every change instead of the lines around
    // it (the plain routine the faster one is tested against).
    static bool plainlayout;

    editview();
    ~editview();
    editview(const editview&) = delete;
    editview& operator=(const editview&) = delete;

    // Layout.
    void init();
    void setpara();
    int wordlth(const unsigned char* p) const;
    bool issel(const unsigned char* p) const;
    void setsel();

    // Cursor and navigation.
    void setcur(int col, int line);
    void setcur(unsigned char* p);
    void settop(int y);
    void setms(int col, int row);
    void rightone(bool right);
    void upone(bool up);
    void homeend(bool home);
    void pgupdn(bool up);
    // The cell the character at p is drawn in, counted from its line's start.
    int drawncolumn(const unsigned char* p) const;
    // The character of a display line that is drawn over cell `column`, or the
    // line's end when the line is shorter.
    unsigned char* atdrawncolumn(int line, int column);

    // Editing and the clipboard.
    unsigned char* insertpoint();
    void insertda();
    void insertchar(unsigned code);
    void deletechar();
    void backchar();
    void copy();
    void cut();
    void paste();
    bool mycopy(const unsigned char* bytes, unsigned long n);
    unsigned char* mypaste(unsigned long& n);

    // Drawing. draw draws what changed since the last draw: the display rows
    // whose line, marks, selection or cursor changed, the rows another view
    // drew over, where the scroll mark was and is; all of the view when the
    // first row shown, the view's size or the pen changed (or wholeviews).
    // The picture is always the one drawing all of the view gives.
    void draw() override;
    void clear();
    void drawline(int r);
    void drawchar(int r, int c, const unsigned char* p, ctrbyte flags);
    void drawnr(int r, int c);
    void drawfileend(int r, int c);
    void drawsel(int c, int r);
    void drawcur();
    void dispstate();

    // Files. readfile loads the file, or starts an empty text when there is
    // none yet (created only by a save), and says why when the path cannot be
    // edited (the text is then left as it was); save returns true when the
    // program may end.
    openoutcome readfile(const char* path, loadcalls& calls = systemloadcalls());
    // Loads n bytes as if read from a file (tests, tools).
    void loadtext(const unsigned char* bytes, size_t n);
    bool save();
    // Writes the text over path, which must be the file expected there.
    saveoutcome savefile(const char* path, const fileidentity& expected);
    bool ischanged() const;
    // The text goes to the recovery file, which counts as its save; true
    // when it was written (a text that is not written back to its file).
    bool saverecovery();
    // The text goes to the recovery file and stays unsaved (a failed save,
    // the program ending with unsaved changes).
    saveoutcome writerecovery();
    const char* recoverypath() const { return recovery.path(); }
    // A key other than F8 or Ctrl-S came: overwriting a file changed on disk
    // needs the warning again.
    void forgetoverwrite() { overwriteasked = false; }

    // Keys and the pointer.
    bool keymouse(int type, int a, int b, int c, int d, int e) override;

    // Undo and redo of whole steps of editing.
    void undo();
    void redo();
    edithistory history;

    // Find: a prompt in the status line; Enter or Ctrl-F selects the next match.
    void openfind();
    bool findprompt() const { return findopen; }
    bool findnext();
    std::string findpromptline() const;

    // Save as: a prompt in the status line holding the file name (Ctrl-O).
    // Enter, Ctrl-S and F8 write the text under the typed name by the same
    // safe route as every save, and the editor then edits that file; Esc and
    // F7 close it. F7 and F8 are the prompt's while it is open.
    void opensaveas();
    bool saveasprompt() const { return saveasopen; }
    std::string saveaspromptline() const;
    // F8 in the save prompt wrote the text: the program ends.
    bool leaveasked = false;
    // Told true as the save prompt opens and false as it closes: file names
    // are typed in English at half width, and the input mode of the text
    // comes back afterwards.
    std::function<void(bool)> promptinputmode;

    // How the text was loaded; only a text loaded whole is written back
    // over its file.
    loadstate loaded = loadstate::whole;
    // The file's encoding: forced by the command line, or found at loading.
    textcodec::encodingkind encoding = textcodec::automatic;
    bool utf8file = false;   // loaded from UTF-8 (or a new file forced to it): saved as UTF-8
    bool utf8bom = false;    // with a byte-order mark to put back
    bool newfile = false;    // the file did not exist at loading and has not been saved since
    fileio* io = &systemfileio();  // the system calls saves make (tests put failures here)
    // The file as it was loaded or last saved ("missing" when there was
    // none): a save finds it so or warns that another program changed it.
    fileidentity diskidentity;
    lineendform lineends = lineendform::crlf;  // the line ends the file gets back
    bool savefailed = false;  // a save of the file failed since the last that worked
    // Drops a first byte of a two-byte character still waiting for its second.
    void forgetpendingbyte() { typing.lead = 0; }

    // A message the status line shows instead of the position until the next
    // event reaches the editor (a warning at loading, a failed save).
    void shownote(const char* text);

private:
    // The text and its layout.
    int offset(const unsigned char* p) const { return int(p - content); }
    unsigned char byteat(const unsigned char* p) const {
        return p >= content && p < content + contlth ? *p : 0;
    }
    unsigned char* textend() const { return content + contlth; }
    int linelength(int line) const { return linestart[line + 1] - linestart[line]; }
    int lineof(int at) const;
    int verticalcolumn() const;
    void keepcolumn(int column);
    unsigned char* endofcharacter(unsigned char* hi);
    bool replacetext(int from, int to, const unsigned char* src, int n);
    void movetail(int from, int to);
    template <typename Resynced>
    int layoutfrom(int line, int pos, int limit, Resynced resynced);
    void relayout(int from, int oldto, int n);
    bool copyselection(unsigned char*& s, unsigned char*& e);
    bool takenbyselection(unsigned char*& s, unsigned char*& e);

    // Loading and saving.
    void loadfrom(const std::function<ssize_t(unsigned char*, size_t)>& read);
    void loadutf8(const unsigned char* bytes, size_t n, bool complete);
    void loadgbk(const std::function<ssize_t(unsigned char*, size_t)>& read);
    void finishload(loadstate state);
    void cuttofitlinetable();
    void saynotloadedwhole();
    void marksaved();
    std::string filebytes(textcodec::conversion& c) const;
    void keepafterfailedsave(const saveoutcome& outcome);
    int formatfailure(char* to, size_t size, const saveoutcome& outcome, const std::string& shown) const;

    // Keys, the pointer, undo and find.
    bool onkey(int key);
    bool press(int a, int b);
    bool move(int a, int b, int buttons);
    void scrollbyclick(int y);
    template <typename Edit>
    void asstep(editkind kind, Edit edit);
    void replay(const editstep& step, bool forward);
    void stepthroughhistory(bool forward);
    bool onfindkey(int key);
    void onfindcharacter(int a);
    void closefind();
    bool onsaveaskey(int key);
    void onsaveascharacter(int a);
    void closesaveas();
    bool saveunder(int key, bool confirmed);
    bool refusesaveas(const char* format, const std::string& shown, const char* detail = "");
    bool askoverwrite(int key, const fileidentity& found, const std::string& shown);
    void editsaved(const std::string& path, const fileidentity& identity);

    std::vector<unsigned char> selarray;  // highlighted cells of the row being drawn
    // Drawing only what changed.
    template <typename Glyph, typename Linefeed, typename Fileend>
    bool walkrow(int r, Glyph glyph, Linefeed linefeed, Fileend fileend);
    void describerow(int r, std::string& out);
    void drawall();
    void drawchanged();
    void redrawrows(int a, int b);
    std::vector<int> drawingsettings() const;
    int scrollmarktop() const;
    int glyphreach() const;
    std::vector<std::string> shownrows;  // what drawline drew in each row at the last draw
    std::vector<int> shownsettings;      // drawingsettings() then; empty before the first draw
    int shownmarktop = 0;                // scrollmarktop() then
    uint64_t drawnupto = 0;              // the bitmap's drawing period that ended with the last draw
    std::string rowbytes;                // scratch for describerow
    std::vector<unsigned char> redraw;   // scratch: which pixel rows to draw again
    unsigned char* scratch;       // bytes taken out by a change, until it is known to fit
    std::vector<int> oldtable;    // the line table around a change, while it is wrapped again
    int resyncedlines = 0;        // lines of a layout that fell into step with the old table
    bool layoutfull = false;      // the last layout ran out of line table
    bool replaying = false;       // undo and redo make changes that are not recorded
    std::string note;
    enum class loadnotekind { none, notutf8 } loadnote = loadnotekind::none;
    long unheldfirstline = 0, unheldcount = 0;  // characters of a UTF-8 file shown as the placeholder
    long unwritableline = 0;      // file line of the first character a save could not convert
    long savedbytes = 0;          // bytes the last save wrote
    recoveryfile recovery;
    bool overwriteasked = false;  // warned that the file changed on disk; the next F8 or Ctrl-S overwrites
    fileidentity warnedidentity;  // the file as it was at that warning
    bool findopen = false;
    characterpairer typing;       // the character being typed, when only its first byte has come
    std::string pattern;          // what Find looks for, whole characters
    characterpairer patternpairer;
    bool saveasopen = false;
    nameprompt typedname;         // the name typed into the save prompt
    characterpairer namepairer;
    int askedkey = 0;             // the key that was told a file is there; 0 when none was
    fileidentity askedidentity;   // that file as it was then: the same key again writes over it
};
