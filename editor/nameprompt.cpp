#include "editor/nameprompt.h"

#include <cstddef>
#include <cstring>

#include "editor/textcodec.h"

namespace {

constexpr char unshown = '?';
const char ellipsis[] = "\xA1\xAD";  // …

bool iscontrol(unsigned char b) { return b < 0x20 || b == 0x7F; }

// A GBK pair: a lead byte 81 to FE and a second byte 40 to FE other than 7F.
bool isgbkpair(const unsigned char* p, size_t n) {
    return n >= 2 && p[0] >= 0x81 && p[0] <= 0xFE && p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F;
}

}  // namespace

std::vector<nameprompt::character> nameprompt::decode(const char* systemname) {
    std::vector<character> out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(systemname ? systemname : "");
    const size_t n = std::strlen(reinterpret_cast<const char*>(p));
    for (size_t i = 0; i < n;) {
        character c;
        int k = textcodec::sequenceat(p + i, n - i);
        if (k == 1) {
            c.shown.assign(1, iscontrol(p[i]) ? unshown : char(p[i]));
        } else if (k > 1) {
            textcodec::utf8togbk(p + i, size_t(k), c.shown);
            if (c.shown.empty())  // a byte-order mark, which iconv takes off
                c.shown.assign(reinterpret_cast<const char*>(textcodec::placeholder), 2);
        } else {
            k = isgbkpair(p + i, n - i) ? 2 : 1;
            c.shown = k == 2 ? std::string(reinterpret_cast<const char*>(p + i), 2) : std::string(1, unshown);
        }
        c.name.assign(reinterpret_cast<const char*>(p + i), size_t(k));
        out.push_back(c);
        i += size_t(k);
    }
    return out;
}

std::string shownname(const char* systemname) {
    std::string out;
    for (const auto& c : nameprompt::decode(systemname)) out += c.shown;
    return out;
}

void nameprompt::start(const char* systemname) {
    characters = decode(systemname);
    at = characters.size();
}

bool nameprompt::insert(const unsigned char* gbk, int n) {
    if (n == 1 && iscontrol(gbk[0])) return false;
    character c;
    c.shown.assign(reinterpret_cast<const char*>(gbk), size_t(n));
    if (n == 1) {
        c.name = c.shown;
    } else if (n != 2 || textcodec::gbktoutf8(gbk, 2, false, c.name).replaced > 0) {
        return false;
    }
    if (systemname().size() + c.name.size() > maxbytes) return false;
    characters.insert(characters.begin() + std::ptrdiff_t(at), c);
    ++at;
    return true;
}

void nameprompt::backspace() {
    if (at == 0) return;
    characters.erase(characters.begin() + std::ptrdiff_t(at - 1));
    --at;
}

void nameprompt::left() {
    if (at > 0) --at;
}

void nameprompt::right() {
    if (at < characters.size()) ++at;
}

void nameprompt::home() { at = 0; }

void nameprompt::end() { at = characters.size(); }

std::string nameprompt::shown(const std::string& mark, size_t width) const {
    size_t first = 0, upto = mark.size();
    for (size_t i = 0; i < at; ++i) upto += characters[i].shown.size();
    if (upto > width) upto += sizeof ellipsis - 1;
    while (first < at && upto > width) upto -= characters[first++].shown.size();
    std::string out = first > 0 ? ellipsis : "";
    for (size_t i = first; i <= characters.size(); ++i) {
        if (i == at) out += mark;
        if (i < characters.size()) out += characters[i].shown;
    }
    return out;
}

std::string nameprompt::systemname() const {
    std::string out;
    for (const character& c : characters) out += c.name;
    return out;
}
