// Building and ware animations (one looping movie per place, replaced when
// the player picks another) and the masked blit of one frame of an object
// strip over a restored background.
#include <cstring>
#include <string>

#include "gfx/gfxnumber.h"
#include "media/movie.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

struct GebaeudeAnim {
    UWORD id;
    const char *file;
};

const GebaeudeAnim GebaeudeAnims[] = {
    {0, "Lager.CBAN"},          {1, "Muehle.CBAN"},        {2, "Bank.CBAN"},          {14, "Herberge.CBAN"},
    {15, "Buergerhaus.CBAN"},   {16, "Handelsregister.CBAN"}, {17, "Schule.CBAN"},    {19, "Camp.CBAN"},
    {20, "Schmiede.CBAN"},      {21, "Friedhof.CBAN"},     {22, "Lazarett.CBAN"},     {23, "Kapelle.CBAN"},
    {24, "Schrein.CBAN"},       {25, "Marktplatz.CBAN"},   {26, "Saegewerk.CBAN"},    {27, "Stallungen.CBAN"},
    {47, "Heiler.CBAN"},        {48, "Baracke.CBAN"},      {49, "Markthalle.CBAN"},   {50, "Bibliothek.CBAN"},
    {51, "Hafen.CBAN"},         {55, "Rathaus.CBAN"},      {56, "Akademie.CBAN"},     {57, "Apellhof.CBAN"},
    {78, "Charitee.CBAN"},      {91, "Gerichtshof.CBAN"},  {95, "Kerker.CBAN"},       {96, "Kirche.CBAN"},
    {98, "Kontor.CBAN"},        {108, "Residenz.CBAN"},    {115, "Universitaet.CBAN"}, {139, "Burg.CBAN"},
    {158, "Handelshof.CBAN"},   {160, "Hospital.CBAN"},    {162, "Kaserne.CBAN"},     {163, "Dom.CBAN"},
    {195, "Circus.CBAN"},       {231, "Festung.CBAN"},
};
static_assert(sizeof(GebaeudeAnims) / sizeof(GebaeudeAnims[0]) == 38);

// Names with "ß" are UTF-8, as the files are named on disk; 116 names the
// directory itself, which does not load.
const char *const WareAnims[WARE_ANIM_COUNT] = {
    "Korn.cban", "Luxus/Tiere.cban", "Luxus/Pflanzen.cban", "Luxus/Mineralien.cban", "Nichts.cban", "Nichts.cban",
    "Nichts.cban", "Ballista_klein.cban", "Ballista_gro\xC3\x9F.cban", "Katapult.cban", "Helm.cban",
    "Lederruestung.cban", "Lederwams.cban", "Kettenhemd.cban", "Kettenpanzer.cban", "Schuppenpanzer.cban",
    "Plattenpanzer.cban", "Tarke.cban", "Holzschild.cban", "Kampfschild.cban", "Kriegsschild.cban", "Dolch.cban",
    "Handaxt.cban", "Kurzschwert.cban", "Breitschwert.cban", "Bastardschwert.cban", "Langschwert.cban",
    "Claymore.cban", "Kriegsaxt.cban", "Kriegshammer.cban", "Morgenstern_klein.cban", "Morgenstern_gro\xC3\x9F.cban",
    "Saebel.cban", "Streitaxt.cban", "Streithammer.cban", "Streitkolben.cban", "Hellebarde.cban",
    "Lanze_klein.cban", "Lanze_mittel.cban", "Lanze_gro\xC3\x9F.cban", "Kriegssense.cban", "Speer.cban",
    "Armbrust_leicht.cban", "Armbrust_schwer.cban", "Kurzbogen.cban", "Langbogen.cban", "Kompositbogen.cban",
    "Wurfschleuder.cban", "Wurfdolch.cban", "Wurfspeer.cban", "Handelsschiff_klein.cban",
    "Handelsschiff_mittel.cban", "Handelsschiff_gro\xC3\x9F.cban", "Kriegsschiff_klein.cban",
    "Kriegsschiff_mittel.cban", "Kriegsschiff_gro\xC3\x9F.cban", "Kraut01.cban", "Kraut02.cban", "Kraut03.cban",
    "Kraut04.cban", "Kraut05.cban", "Kraut06.cban", "Kraut07.cban", "Kraut08.cban", "Kraut09.cban", "Kraut10.cban",
    "Kraut11.cban", "Kraut12.cban", "Kraut13.cban", "Kraut14.cban", "Kraut15.cban", "Kraut16.cban", "Kraut17.cban",
    "Kraut18.cban", "Armeeschwert.cban", "Nordschwert.cban", "Barbarenschwert.cban", "Zweihaender.CBAN",
    "Dreizack.cban", "Ro\xC3\x9Fschinder.cban", "Ringpanzer.cban", "Kriegskatapult.cban", "Luxus/balsam.cban",
    "Luxus/bernstein.cban", "Luxus/brokat.cban", "Luxus/edelsteine.cban", "Luxus/elfenbein.cban",
    "Luxus/gewuerze.cban", "Luxus/marmor.cban", "Luxus/myrrhe.cban", "Luxus/oel.cban", "Luxus/pergament.cban",
    "Luxus/pelze.cban", "Luxus/Schmuck.cban", "Luxus/seide.cban", "Luxus/teppiche.cban", "Luxus/weihrauch.cban",
    "Luxus/zucker.cban", "Luxus/Pflanzen.cban", "Luxus/Mineralien.cban", "Alberich.cban", "Arbanor.cban",
    "Drachenaxt.cban", "Elfenhelm.cban", "Elfenschild.cban", "Elfenschwert.cban", "Froschhelm.cban",
    "Gotteshand.cban", "Kriegshelm.cban", "Ritterhelm.cban", "Ritterruestung.cban", "Skarshelm.cban",
    "Turnierhelm.cban", "Zwergenhelm.cban", "Zwergenpanzer.cban", "Zwergenschwert.cban", "",
};

// Removes the old movie and clears its area, then starts file at (x, y).
st_Movie *Replace(st_MovieBase *mb, st_Movie *old, const char *file, UWORD x, UWORD y, UWORD w, UWORD h,
                  UWORD speed)
{
    if (old) {
        UnloadMovie(mb, old);
        if (RastPort *rp = VekDisplay.RastPort_) {
            SetAPen(rp, 0);
            RectFill(rp, x, y, x + w - 1, y + h - 1);
        }
    }
    if (!file) return nullptr;
    const std::string path = std::string("./Anims/") + file;
    std::printf("AnimateWare : Zu ladene Anim ist %s\n", path.c_str());
    const LONG lock = Lock(path.c_str(), ACCESS_READ);
    if (!lock) return nullptr;
    UnLock(lock);
    st_Movie *m = LoadMovie(mb, path.c_str(), nullptr, nullptr);
    if (!m) {
        std::printf("AnimateWare: Konnte Anim nicht laden !\n");
        return nullptr;
    }
    PlayMovie(mb, m, x, y, PLAY_COLOR | PLAY_LOOP | PLAY_CRYPTO, speed);
    return m;
}

}  // namespace

const char *GebaeudeAnimName(UWORD id)
{
    for (const GebaeudeAnim &g : GebaeudeAnims)
        if (g.id == id) return g.file;
    return nullptr;
}

const char *WareAnimName(UWORD id) { return id < WARE_ANIM_COUNT ? WareAnims[id] : nullptr; }

st_Movie *AnimateGebaeude(st_MovieBase *mb, st_Movie *old, UWORD gebaeudeId, UWORD xPos, UWORD yPos)
{
    std::printf("AnimateWare : Die ID dieses Geb\344udes ist %u\n", gebaeudeId);
    return Replace(mb, old, GebaeudeAnimName(gebaeudeId), xPos, yPos, 220, 200, 8);
}

st_Movie *AnimateWare(st_MovieBase *mb, st_Movie *old, UWORD wareId, UWORD xPos, UWORD yPos)
{
    std::printf("AnimateWare : Die ID dieser Waffe ist %u\n", wareId);
    return Replace(mb, old, WareAnimName(wareId), xPos, yPos, 160, 120, 10);
}

int AnimObjektMask(RastPort *source, UWORD sourceX, UWORD sourceY, RastPort *dest, UWORD objektXPos,
                   UWORD objektYPos, UWORD objektNummer, UWORD, UWORD frame, UWORD blitBreite, UWORD blitHoehe)
{
    // The frame's first row goes to the blit with the call: the map and its
    // motion thread draw strips at the same time.
    const ULONG firstRow = (ULONG)blitHoehe * frame;
    if (objektNummer < 1 || objektNummer > GFX_CACHE_SLOTS) {
        std::printf("AnimObjektMask: Konnte Grafik nicht \366ffnen !\n");
        return 0;
    }
    bool loadedHere = false;
    if (!BitMapPtrArray[objektNummer - 1]) {
        if (OpenKavorGfx("./Data/Path", objektNummer) != 1) {
            std::printf("AnimObjektMask: Konnte Grafik nicht \366ffnen !\n");
            return 0;
        }
        loadedHere = true;
    }
    const BitMap *bmp = BitMapPtrArray[objektNummer - 1];
    if (!dest) dest = VekDisplay.RastPort_;
    ULONG w = blitBreite, h = blitHoehe;
    if (w == 0) w = bmp ? bmp->Breite : 0;
    if (h == 0) h = bmp ? bmp->Hoehe : 0;
    if (source && source != dest && source->BitMap) {
        bEnableRefreshPrimaryScreen = 0;
        BltBitMapRastPort(source->BitMap, sourceX, sourceY, dest, objektXPos, objektYPos, (LONG)w, (LONG)h, 0xC0);
        bEnableRefreshPrimaryScreen = 1;
    }
    BlitObjektMaskRows(dest, objektNummer, 0, objektXPos, objektYPos, (LONG)w, (LONG)h, firstRow);
    if (loadedHere) CloseKavorGfx(objektNummer);
    return 1;
}
