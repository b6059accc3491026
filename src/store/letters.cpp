// Letter files and the MAIL chunk.
#include "store/letters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/chunks_local.h"
#include "store/mapnames.h"
#include "store/store.h"

using namespace chunkio;

namespace {

constexpr ULONG kSmalRecord = sizeof(st_SMAL) - sizeof(st_ChunkHead);  // payload before the text
constexpr ULONG kMaxSerial = 10000;  // a directory never holds that many letters of one sender

void CopyCut(char *field, size_t width, const char *text)
{
    if (!text) return;
    size_t n = strnlen(text, width - 1);
    std::memcpy(field, text, n);
    field[n] = 0;
}

// The first free "<dir>/E%7.7x_%2.2u.smal" (or without the "E"); empty when
// every serial is taken.
std::string FreeName(const char *dir, const char *format, ULONG id)
{
    char name[512];
    for (ULONG n = 0; n < kMaxSerial; ++n) {
        std::snprintf(name, sizeof name, format, dir, (unsigned)id, (unsigned)n);
        if (!Lock(name, ACCESS_READ)) return name;
    }
    return {};
}

// True when the bytes are exactly one SMAL chunk in file order.
bool IsOneSmal(const std::vector<UBYTE> &b)
{
    if (b.size() < sizeof(st_SMAL) + 1) return false;
    if (LoadBE32(&b[0]) != ID_SMAL) return false;
    const ULONG length = LoadBE32(&b[8]);
    return length > kSmalRecord && (size_t)length + sizeof(st_ChunkHead) == b.size();
}

}  // namespace

BOOL MakeSMAL(const char *EmpfaengerName, LONG EmpfaengerID, const char *Betreff, const char *MailText)
{
    std::printf("Routine: MakeSMAL\n");
    const char *text = MailText ? MailText : "";
    const size_t textLength = std::strlen(text);
    st_SMAL *smal = textLength < 0x7FFF0000u ? (st_SMAL *)AllocChunk(CN_SMAL, (ULONG)textLength + 1, 1) : nullptr;
    if (!smal) {
        std::printf("MakeSMAL:Konnte keinen Speicher fuer den SMAL Chunk Bekommen!\n");
        return 0;
    }
    CopyCut(smal->AbsenderName, sizeof smal->AbsenderName, PlayerInfo.Spielname);
    CopyCut(smal->Betreff, sizeof smal->Betreff, Betreff);
    CopyCut(smal->EmpfaengerName, sizeof smal->EmpfaengerName, EmpfaengerName);
    char date[DATE_STRING_SIZE] = {};
    MakeDateString(date);
    CopyCut(smal->DateString, sizeof smal->DateString, date);
    smal->EmpfaengerID = EmpfaengerID;
    smal->AbsenderID = (LONG)PlayerInfo.SpielerID;
    std::memcpy((UBYTE *)smal + sizeof(st_SMAL), text, textLength + 1);

    BOOL result = 1;
    const std::string out = FreeName(MAILOUT_DIR, "%s/E%7.7x_%2.2u.smal", (ULONG)EmpfaengerID);
    if (out.empty() || !SaveChunk2File(out.c_str(), smal)) {
        std::printf("MakeSMAL:Konnte Chunk nicht abspeichern! 001\n");
        result = 0;
    } else {
        std::string inDir = MAILIN_DIR;
        inDir.pop_back();  // without its trailing slash
        const std::string copy = FreeName(inDir.c_str(), "%s/E%7.7x_%2.2u.smal", PlayerInfo.SpielerID);
        if (copy.empty() || !SaveChunk2File(copy.c_str(), smal))
            std::printf("MakeSMAL:Konnte Chunk nicht abspeichern! 002\n");
    }
    FreeChunk(smal);
    return result;
}

BOOL CreateMailChunk(const char *ChunkPool, const char *Path)
{
    std::printf("Routine: CreateMailChunk\n");
    if (!ChunkPool || !Path) return 0;
    std::vector<std::string> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(Path, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".smal") == 0 && it->is_regular_file(ec))
            files.push_back(it->path().string());
    }
    if (files.empty()) return 1;
    std::sort(files.begin(), files.end());  // a fixed order: the same letters give the same chunk

    BOOL result = 1;
    std::vector<UBYTE> chunk(sizeof(st_MAIL), 0);
    ULONG count = 0;
    for (const std::string &file : files) {
        std::vector<UBYTE> letter;
        if (!ReadWholeFile(file.c_str(), letter)) {
            std::printf("CreateMailChunk: Mail %s konnte nicht gelesen werden !\n", file.c_str());
            result = 0;
            continue;
        }
        if (!IsOneSmal(letter) || chunk.size() + letter.size() > 0x7FFF0000u) {
            std::printf("CreateMailChunk: Mail %s ist kein einzelner SMAL-Chunk und bleibt liegen !\n", file.c_str());
            result = 0;
            continue;
        }
        chunk.insert(chunk.end(), letter.begin(), letter.end());
        ++count;
    }
    if (count == 0) return result;
    StoreHost32(chunk.data(), ID_MAIL);
    StoreHost32(chunk.data() + 4, VERSION_V001);
    StoreHost32(chunk.data() + 8, (ULONG)(chunk.size() - sizeof(st_ChunkHead)));
    StoreHost32(chunk.data() + 12, count);
    std::printf("CreateMailChunk: Mail versendet...\n");
    if (!AddChunkPool(chunk.data(), ChunkPool)) {
        std::printf("CreateMailChunk: Der MAIL-Chunk konnte nicht in den Pool %s gelegt werden !\n", ChunkPool);
        return 0;
    }
    return result;
}

BOOL DistributeEmails2Dir(const st_MAIL *Mail, const char *DirName)
{
    if (!Mail || !DirName) return 0;
    if (Mail->AnzahlEmails == 0) return 1;
    const UBYTE *base = (const UBYTE *)Mail;
    const size_t end = sizeof(st_ChunkHead) + (size_t)Mail->Head.Length;
    size_t pos = sizeof(st_MAIL);
    BOOL result = 1;
    ULONG index = 0;
    for (ULONG i = 0; i < Mail->AnzahlEmails; ++i) {
        if (end < pos + sizeof(st_ChunkHead)) {
            std::printf("DistributeEmails : Der MAIL-Chunk endet vor Brief %u !\n", (unsigned)i);
            result = 0;
            break;
        }
        const ULONG id = LoadBE32(base + pos), length = LoadBE32(base + pos + 8);
        if ((size_t)length > end - pos - sizeof(st_ChunkHead)) {
            std::printf("DistributeEmails : Brief %u reicht \374ber das Ende des MAIL-Chunks !\n", (unsigned)i);
            result = 0;
            break;
        }
        const size_t size = sizeof(st_ChunkHead) + (size_t)length;
        if (id == ID_SMAL && length >= kSmalRecord) {
            const ULONG sender = LoadBE32(base + pos + offsetof(st_SMAL, AbsenderID));
            char name[512];
            bool written = false;
            for (ULONG tries = 0; tries < kMaxSerial; ++tries, ++index) {
                std::snprintf(name, sizeof name, "%s/%8.8x_%2.2u.smal", DirName, (unsigned)sender, (unsigned)index);
                if (Lock(name, ACCESS_READ)) continue;
                written = WriteFileAtomic(name, base + pos, (ULONG)size, -1) == (int)size;
                break;
            }
            if (!written) {
                std::printf("DistributeEmails : Konnte FileNamen nicht anlegen !\n");
                result = 0;
            }
            ++index;
        }
        pos += size;
    }
    return result;
}
