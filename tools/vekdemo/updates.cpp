// Updates/: what the update server of the tests and of a player's trial
// serves (tools/netrig.sh start vsftpd ... Updates): two archives with their
// notes, an archive without a note and a note without an archive. The notes
// carry the version in bytes 5 to 7 and the text from byte 9 on.
#include "kit.h"

namespace vekdemo {

namespace {

Bytes Archive(const std::string &name, size_t size)
{
    Rng rng(SeedOf(name));
    Bytes b;
    PutText(b, "VEKUPDATE " + name + "\n", false);
    while (b.size() < size) b.push_back((uint8_t)rng.Below(256));
    return b;
}

Bytes Note(const char *version, const std::string &text)
{
    Bytes b;
    PutText(b, std::string("VEK: ") + version + "\n" + text, false);
    return b;
}

}  // namespace

void WriteUpdates(Output &out)
{
    out.Write("Updates/vek059.zip", Archive("vek059.zip", 48 * 1024));
    out.Write("Updates/vek059.txt", Note("059", "Version 0.59\n\nThe granary counts its rats again.\n"
                                               "The harbour launches ships in order.\n"));
    out.Write("Updates/vek060.zip", Archive("vek060.zip", 96 * 1024 + 321));
    out.Write("Updates/vek060.txt", Note("060", "Version 0.60\n\nNew pictures for the tavern.\n"
                                               "Letters keep their date when sorted.\n"
                                               "The map scrolls more smoothly.\n"));
    out.Write("Updates/vekextra.zip", Archive("vekextra.zip", 4096));
    out.Write("Updates/readme.txt", Note("000", "This note belongs to no archive.\n"));
}

}  // namespace vekdemo
