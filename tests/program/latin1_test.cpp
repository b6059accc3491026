// Every text the program prints or shows is Latin-1: the fonts draw bytes as
// Latin-1, so a UTF-8 literal would reach the screen as two wrong glyphs.
// The check reads the built program's data sections and looks for UTF-8
// sequences inside runs that read as text.
#include <gtest/gtest.h>

#include <cstring>
#include <elf.h>
#include <string>
#include <vector>

#include "common/testutil.h"

namespace {

// Length of the UTF-8 multibyte sequence at p (0 when there is none).
size_t Utf8At(const unsigned char *p, size_t left)
{
    size_t need = p[0] >= 0xC2 && p[0] <= 0xDF ? 2 : p[0] >= 0xE0 && p[0] <= 0xEF ? 3
                  : p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : 0;
    if (need == 0 || need > left) return 0;
    for (size_t i = 1; i < need; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return need;
}

// A run between NULs reads as text when it is long enough and made mostly of
// printable ASCII with some letters; tables of numbers and pixels do not.
bool LooksLikeText(const unsigned char *p, size_t n)
{
    if (n < 6) return false;
    size_t printable = 0, letters = 0;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < 0x20 && p[i] != '\n' && p[i] != '\t' && p[i] != '\r') return false;
        if (p[i] < 0x7F) ++printable;
        if ((p[i] | 0x20) >= 'a' && (p[i] | 0x20) <= 'z') ++letters;
    }
    return letters >= 4 && printable * 10 >= n * 8;
}

// The UTF-8 texts found in the data sections of an ELF file, as C strings
// with the offending bytes shown in hex.
std::vector<std::string> Utf8Texts(const vektest::Bytes &elf)
{
    std::vector<std::string> found;
    if (elf.size() < sizeof(Elf64_Ehdr)) return {"not an ELF file"};
    Elf64_Ehdr eh;
    std::memcpy(&eh, elf.data(), sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64) return {"not ELF64"};
    auto section = [&](size_t i) {
        Elf64_Shdr sh{};
        size_t at = eh.e_shoff + i * sizeof(Elf64_Shdr);
        if (at + sizeof sh <= elf.size()) std::memcpy(&sh, elf.data() + at, sizeof sh);
        return sh;
    };
    const Elf64_Shdr names = section(eh.e_shstrndx);
    size_t scanned = 0;
    for (size_t i = 0; i < eh.e_shnum; ++i) {
        const Elf64_Shdr sh = section(i);
        if (sh.sh_type != SHT_PROGBITS || names.sh_offset + sh.sh_name >= elf.size()) continue;
        const std::string name = (const char *)elf.data() + names.sh_offset + sh.sh_name;
        if (name != ".rodata" && name.rfind(".rodata.", 0) != 0 && name != ".data") continue;
        if (sh.sh_offset + sh.sh_size > elf.size()) return {"section past the end: " + name};
        scanned += sh.sh_size;
        const unsigned char *p = elf.data() + sh.sh_offset, *end = p + sh.sh_size;
        while (p < end) {
            const unsigned char *nul = (const unsigned char *)std::memchr(p, 0, (size_t)(end - p));
            const size_t n = (size_t)((nul ? nul : end) - p);
            if (LooksLikeText(p, n)) {
                for (size_t k = 0; k < n; ++k) {
                    if (Utf8At(p + k, n - k)) {
                        std::string text((const char *)p, n);
                        char hex[16];
                        std::snprintf(hex, sizeof hex, " [%02x %02x]", p[k], p[k + 1]);
                        found.push_back(text.substr(0, 80) + hex);
                        break;
                    }
                }
            }
            p += n + 1;
        }
    }
    if (scanned == 0) found.push_back("no data sections found");
    return found;
}

}  // namespace

TEST(ProgramTexts, NoUtf8InTheBuiltProgram)
{
    const vektest::Bytes elf = vektest::ReadBytes(VEKCLIENT_PATH);
    ASSERT_FALSE(elf.empty());
    const std::vector<std::string> found = Utf8Texts(elf);
    for (const std::string &t : found) ADD_FAILURE() << t;
}

TEST(ProgramTexts, TheScanFindsUtf8AndPassesLatin1)
{
    struct Row {
        const char *name, *text;
        bool utf8;
    } rows[] = {
        {"UTF-8 umlaut", "Zeit\xc3\xbc" "berschreitung beim Empfang", true},
        {"UTF-8 sharp s", "Filegr\xc3\xb6\xc3\x9f" "e stimmt nicht", true},
        {"Latin-1 umlaut", "Zeit\xfc" "berschreitung beim Empfang", false},
        {"Latin-1 acute accent", "Couldn\xb4t make Prefs-File !", false},
        {"pixel table", "\x01\x02\xc3\xbc\x7f\x80", false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const auto *p = (const unsigned char *)r.text;
        const size_t n = std::strlen(r.text);
        bool utf8 = false;
        if (LooksLikeText(p, n))
            for (size_t k = 0; k < n && !utf8; ++k) utf8 = Utf8At(p + k, n - k) != 0;
        EXPECT_EQ(utf8, r.utf8);
    }
}
