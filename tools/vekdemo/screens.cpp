// The screen description files in ./Data/screendat/: one per layout of the
// shared table, each holding the records its plan placed, and the town slot
// template Info_Stadt.dat.
#include "kit.h"

namespace vekdemo {

namespace {

using namespace datakit;

struct Section {
    LayoutKind kind;
    Bytes records;
    uint32_t count = 0;
};

void PutBox16(Bytes &b, const Box &box)
{
    PutBE16(b, (uint32_t)box.x0);
    PutBE16(b, (uint32_t)box.y0);
    PutBE16(b, (uint32_t)box.x1);
    PutBE16(b, (uint32_t)box.y1);
}

// The container: a 32-byte header, 4 bytes, the entry count, the entries
// {tag, count, offset from byte 32} and the records of each kind in turn.
Bytes Container(const std::vector<Section> &sections, const std::string &name)
{
    Bytes b;
    PutText(b, name.substr(0, 31), false);
    PutZeros(b, 32 - b.size());
    PutBE32(b, 0);
    PutBE32(b, (uint32_t)sections.size());
    uint32_t offset = 8 + 12 * (uint32_t)sections.size();
    for (const Section &s : sections) {
        PutBE32(b, LayoutTag[s.kind]);
        PutBE32(b, s.count);
        PutBE32(b, offset);
        offset += (uint32_t)s.records.size();
    }
    for (const Section &s : sections) b.insert(b.end(), s.records.begin(), s.records.end());
    return b;
}

Bytes LayoutFile(const LayoutPlan &p)
{
    std::vector<Section> sections;
    Section titles{KIND_TITLEBAR, {}, 0};
    for (const TitlePlan &t : p.titles) {
        PutBox16(titles.records, t.box);
        PutBE32(titles.records, t.title);
        ++titles.count;
    }
    sections.push_back(titles);
    Section gadgets{KIND_GADGET, {}, 0};
    for (const GadgetPlan &g : p.gadgets) {
        PutBE16(gadgets.records, g.up);
        PutBE16(gadgets.records, g.down);
        PutBE16(gadgets.records, 1);  // the click
        PutBE16(gadgets.records, g.flags);
        PutBox16(gadgets.records, g.box);
        PutBE32(gadgets.records, g.code);
        PutBE32(gadgets.records, 0);  // no link
        ++gadgets.count;
    }
    sections.push_back(gadgets);
    for (int k = KIND_LOCALETEXTBOX; k < KIND_SLOTS; ++k) {
        if (p.kinds[k].empty()) continue;
        Section s{(LayoutKind)k, {}, 0};
        for (const RecordPlan &r : p.kinds[k]) {
            Bytes &b = s.records;
            switch (k) {
            case KIND_LOCALETEXTBOX: PutBE32(b, r.text), PutBox16(b, r.box); break;
            case KIND_STRINGINPUTBOX:
                PutBox16(b, r.box), PutBE16(b, r.a), PutBE16(b, r.b), PutBE32(b, r.text);
                break;
            case KIND_STRINGINPUTINFO:
                PutBE16(b, (uint32_t)r.box.x0), PutBE16(b, (uint32_t)r.box.y0), PutBE16(b, r.a), PutBE16(b, 1),
                    PutBE16(b, r.b);
                break;
            case KIND_STATUSBOX: PutBE16(b, r.a), PutBE16(b, r.b), PutBE16(b, 1), PutBox16(b, r.box); break;
            case KIND_BOXINFO:
                PutBox16(b, r.box), PutBE16(b, (uint32_t)r.box.w()), PutBE16(b, (uint32_t)r.box.h());
                break;
            case KIND_TEXTDATA: PutBE32(b, r.text), PutBE16(b, (uint32_t)r.box.x0), PutBE16(b, (uint32_t)r.box.y0); break;
            case KIND_BUTTONDATA: PutBox16(b, r.box), PutBE16(b, r.a), PutBE16(b, r.b), PutBE32(b, r.text); break;
            case KIND_RECHTECK: PutBox16(b, r.box); break;
            case KIND_PUNKT: PutBE16(b, (uint32_t)r.box.x0), PutBE16(b, (uint32_t)r.box.y0); break;
            }
            ++s.count;
        }
        sections.push_back(std::move(s));
    }
    return Container(sections, p.layout->file);
}

// Town slots: 0-55 level 1, 56-115 level 2, 116-179 level 3, 180-234 level 4.
// Buildings named by the building animations stay buildings; a few slots of
// each level are scenery, placed at random when a town is made or grows.
Bytes SlotTemplate()
{
    static const uint16_t buildings[] = {0,  1,  2,  14, 15, 16, 17,  19,  20,  21,  22,  23,  24,  25,
                                         26, 27, 47, 48, 49, 50, 51,  55,  56,  57,  78,  91,  95,  96,
                                         98, 102, 108, 115, 139, 141, 158, 160, 162, 163, 195, 231};
    std::vector<uint16_t> housePictures;
    for (uint16_t n = 1; n <= PICTURE_COUNT; ++n)
        if (PictureRole(n) == PicRole::TownSlot) housePictures.push_back(n);
    Section s{KIND_SLOTS, {}, 0};
    const int starts[5] = {0, 56, 116, 180, TOWN_SLOTS};
    for (int slot = 0; slot < TOWN_SLOTS; ++slot) {
        int level = 1;
        while (slot >= starts[level]) ++level;
        const int k = slot - starts[level - 1];
        bool building = false;
        for (uint16_t b : buildings) building = building || b == slot;
        const bool scenery = !building && k % 4 == 3;
        uint16_t bits = scenery ? 0x01 : 0;
        if (scenery && level == 1 && k < 16) bits |= 0x04;  // only when the town is founded
        const int x = 8 + (k % 12) * 52, y = 136 + (k / 12) * 58;
        Bytes &b = s.records;
        PutBE16(b, bits);
        PutBE32(b, scenery || level == 1 ? 0 : 5000u * (uint32_t)(level - 1));
        PutBE16(b, (uint32_t)level);
        PutBE16(b, (uint32_t)slot + 1);
        PutBE16(b, (uint32_t)y);  // drawn from the back to the front
        PutBE16(b, housePictures[(size_t)slot % housePictures.size()]);
        PutBE16(b, (uint32_t)x);
        PutBE16(b, (uint32_t)y);
        PutBE16(b, 48);
        PutBE16(b, 40);
        PutZeros(b, 7 + 1 + 14 + 16);  // research, reserved, required and excluded buildings
        ++s.count;
    }
    return Container({s}, "Info_Stadt.dat");
}

}  // namespace

void WriteScreenFiles(Output &out)
{
    out.Dir("Data/screendat");
    for (const LayoutPlan &p : GetPlans().layouts) {
        const std::string path = std::string("Data/screendat/") + p.layout->file;
        out.Write(path, p.layout->mask & (1u << KIND_SLOTS) ? SlotTemplate() : LayoutFile(p));
    }
}

}  // namespace vekdemo
