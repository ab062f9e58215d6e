#include "editor/recoveryfile.h"
const char* recoveryfile::choose(const char* filename, fileio&) {
    if (chosen.empty()) chosen = (filename && *filename) ? std::string(filename) + ".save" : "zhedit.save";
    return chosen.c_str();
}
saveoutcome recoveryfile::write(const unsigned char* data, size_t n, fileio& io) {
    return writewholefile(chosen.c_str(), data, n, io);
}
