// skinpack <style sheet> <skin data out>
// Packs a readable GTK style sheet into the library's .SHE skin data.

#include "skin/SkinData.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: skinpack <style sheet> <skin data out>\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot read\n";
        return 1;
    }
    std::ostringstream sheet;
    sheet << in.rdbuf();
    auto data = quilbex::skin::pack_skin(sheet.str());
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out.flush()) {
        std::cerr << argv[2] << ": cannot write\n";
        return 1;
    }
    return 0;
}
