// The letter list: received letters, one SMAL chunk file each, filtered by
// recipient and read into list nodes that own the letter's text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/memfile.h"
#include "platform/files.h"
#include "platform/system.h"
#include "store/mapnames.h"
#include "store/store.h"

namespace {

constexpr ULONG kSmalRecord = 272;  // SMAL payload before the text
constexpr size_t kTitelZeichen = 52;

// The name has the mask's length and equals it where the mask has no space.
bool PasstZurMaske(const char *name, const char *maske)
{
    if (std::strlen(name) != std::strlen(maske)) return false;
    for (size_t i = 0; maske[i]; ++i) {
        if (maske[i] != ' ' && maske[i] != name[i]) return false;
    }
    return true;
}

// Copies a text into a field, cut one short of its width.
template <size_t N> void Kopiere(char (&ziel)[N], const char *quelle, size_t quelleBreite)
{
    size_t n = strnlen(quelle, quelleBreite);
    if (n > N - 1) n = N - 1;
    std::memcpy(ziel, quelle, n);
    ziel[n] = 0;
}

template <size_t N> bool Beendet(const char (&feld)[N]) { return std::memchr(feld, 0, N) != nullptr; }

void EntferneLetzten(ListHeader *liste) { DeleteNode(liste, LIST_LAST, 0, LIST_FREE_OWNED); }

}  // namespace

ULONG Date2Seconds(const char *DateString)
{
    static const char kMonate[12][5] = {"Jan-", "Feb-", "Mar-", "Apr-", "May-", "Jun-",
                                        "Jul-", "Aug-", "Sep-", "Oct-", "Nov-", "Dec-"};
    if (!DateString) return 0;
    char text[64] = {};
    std::snprintf(text, sizeof text, "%s", DateString);
    char *p = text, *ende;
    const ULONG tag = std::strtoul(p, &ende, 10);
    p = ende;
    if (*p == '-') ++p;
    ULONG monat = 0;
    for (ULONG m = 0; m < 12; ++m) {
        if (std::strncmp(p, kMonate[m], 4) == 0) monat = m + 1;
    }
    if (monat) {
        p += 4;
    } else {
        ULONG roh;
        std::memcpy(&roh, p, 4);  // text is zero-padded well past p + 4
        std::printf("Fehler in der Datums-Konvertierung... Wert : %s %x\n", p, (unsigned)roh);
        if (char *strich = std::strchr(p, '-')) p = strich + 1;
    }
    const ULONG jahr = std::strtoul(p, &ende, 10);
    p = ende;
    const ULONG stunde = std::strtoul(p, &ende, 10);
    p = *ende == ':' ? ende + 1 : ende;
    const ULONG minute = std::strtoul(p, &ende, 10);
    p = *ende == ':' ? ende + 1 : ende;
    const ULONG sekunde = std::strtoul(p, &ende, 10);
    // Months of 31 days and years of 372: an order, wrapping at 32 bits.
    return monat * 2678400u + tag * 86400u + jahr * 32140800u + stunde * 3600u + minute * 60u + sekunde -
           937977856u;
}

ULONG ScanSmals2List(ListHeader *List, const char *Path, const char *Maske, int Personal)
{
    if (!List || !Path || !Maske || List->Typ != LISTE_BRIEFE) return 0;
    std::string muster = Path;
    if (muster.empty() || muster.back() != '/') muster += '/';
    muster += '*';
    WIN32_FIND_DATA eintrag{};
    FindHandle h = FindFirstFile(muster.c_str(), &eintrag);
    if (!h) return 0;

    ULONG behalten = 0;
    do {
        if ((eintrag.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !PasstZurMaske(eintrag.cFileName, Maske))
            continue;
        ListNode *node = (ListNode *)AllocVec(List->TypSize, MEMF_CLEAR);
        if (!node) {
            std::printf("ScanSmals2List: Konnte Speicher f\374r Smal-Node nicht allokieren !\n");
            break;
        }
        InsertNode(List, node, LIST_LAST, 0);
        std::printf("Node eingef\374gt... %u\n", (unsigned)List->Elemente);
        std::printf("Path : %s\n", Path);
        std::printf("Name : %s\n", eintrag.cFileName);

        SmalListEntry *brief = (SmalListEntry *)NodeData(node);
        const std::string datei = std::string(MAILIN_DIR) + eintrag.cFileName;
        st_SMAL *smal = datei.size() < sizeof brief->ChunkFilename
                            ? (st_SMAL *)LoadChunk2Mem(ID_SMAL, datei.c_str())
                            : nullptr;
        if (!smal) {
            std::printf("ScanSmals2List: Konnte LandChunk nicht \366ffnen !");
            EntferneLetzten(List);
            continue;
        }
        // A letter shorter than its record, or with a name, subject or date
        // that does not end inside its field, is not a letter of ours.
        if (smal->Head.Length < kSmalRecord || !Beendet(smal->DateString) || !Beendet(smal->Betreff) ||
            !Beendet(smal->AbsenderName) || !Beendet(smal->EmpfaengerName)) {
            std::printf("ScanSmals2List: Brief %s ist besch\344digt !\n", eintrag.cFileName);
            FreeVec(smal);
            EntferneLetzten(List);
            continue;
        }
        const bool fuerMich = Personal ? (ULONG)smal->EmpfaengerID == PlayerInfo.SpielerID : smal->EmpfaengerID == -1;
        if (!fuerMich) {
            FreeVec(smal);
            EntferneLetzten(List);
            continue;
        }
        // The text follows the record; the loaded chunk ends with a zero byte.
        const ULONG textLaenge = smal->Head.Length > kSmalRecord ? smal->Head.Length - kSmalRecord : 0;
        char *text = (char *)AllocVec(textLaenge + 1, MEMF_CLEAR);
        if (!text) {
            std::printf("ScanSmals2List: Konnte Speicher f\374r Smal-Text nicht allokieren !\n");
            FreeVec(smal);
            EntferneLetzten(List);
            break;
        }
        std::memcpy(text, (const UBYTE *)smal + sizeof(st_SMAL), textLaenge);
        Kopiere(brief->DateString, smal->DateString, sizeof smal->DateString);
        Kopiere(brief->Betreff, smal->Betreff, sizeof smal->Betreff);
        Kopiere(brief->AbsenderName, smal->AbsenderName, sizeof smal->AbsenderName);
        Kopiere(brief->EmpfaengerName, smal->EmpfaengerName, sizeof smal->EmpfaengerName);
        std::snprintf(brief->ChunkFilename, sizeof brief->ChunkFilename, "%s", datei.c_str());
        brief->Date = Date2Seconds(brief->DateString);
        std::string zeile = brief->AbsenderName;
        if (zeile.size() < 10) zeile.resize(10, ' ');
        zeile = (zeile + " : " + brief->Betreff).substr(0, kTitelZeichen);
        std::memcpy(brief->TitelZeile, zeile.c_str(), zeile.size() + 1);
        brief->AbsenderID = smal->AbsenderID;
        brief->EmpfaengerID = smal->EmpfaengerID;
        brief->MailPtr = text;
        FreeVec(smal);
        ++behalten;
    } while (FindNextFile(h, &eintrag));
    FindClose(h);
    return behalten;
}
