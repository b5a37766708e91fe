// write_bytes FILE HEX...: writes the bytes spelled in hex (blanks ignored) to FILE, so a
// session test can lay binary files into a profile.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: write_bytes FILE HEX...\n");
        return 2;
    }
    std::string digits;
    for (int i = 2; i < argc; ++i)
        for (const char* p = argv[i]; *p != '\0'; ++p)
            if (std::isxdigit(static_cast<unsigned char>(*p)))
                digits += *p;
            else if (!std::isspace(static_cast<unsigned char>(*p))) {
                std::fprintf(stderr, "write_bytes: '%c' is not a hex digit\n", *p);
                return 2;
            }
    if (digits.size() % 2 != 0) {
        std::fprintf(stderr, "write_bytes: odd number of hex digits\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    for (size_t i = 0; i < digits.size(); i += 2)
        out.put(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    out.close();
    return out ? 0 : 1;
}
