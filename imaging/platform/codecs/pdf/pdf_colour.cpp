#include "pdf_colour.h"

namespace gdip::codecs::pdf {
namespace {

constexpr size_t kMaxProfileBytes = size_t{64} << 20;  // far past any real profile

// The number of samples of a device or ICC-based colour space; its profile into `profile`,
// or `profileLeftOut` set when the profile could not be had.
int componentsOf(Object space, std::string& profile, bool& profileLeftOut) {
    if (space.isName()) {
        const std::string name = space.getName();
        if (name == "/DeviceGray" || name == "/G" || name == "/CalGray") return 1;
        if (name == "/DeviceRGB" || name == "/RGB" || name == "/CalRGB") return 3;
        if (name == "/DeviceCMYK" || name == "/CMYK") return 4;
        throw NotScanned("its colour space " + name + " is not one this reader takes");
    }
    if (space.isArray() && space.getArrayNItems() >= 1 && space.getArrayItem(0).isName()) {
        const std::string family = space.getArrayItem(0).getName();
        if (family == "/CalGray") return 1;
        if (family == "/CalRGB") return 3;
        if (family == "/ICCBased" && space.getArrayNItems() == 2 && space.getArrayItem(1).isStream()) {
            Object stream = space.getArrayItem(1);
            const int n = integerOf(stream.getDict().getKey("/N"), "profile's number of components");
            if (n != 1 && n != 3 && n != 4) throw NotScanned("its colour profile has " + std::to_string(n) + " components");
            std::string bytes;
            if (decodedData(stream, kMaxProfileBytes, bytes)) profile = bytes;
            else profileLeftOut = true;
            return n;
        }
        throw NotScanned("its colour space " + family + " is not one this reader takes");
    }
    throw NotScanned("its colour space is not one this reader takes");
}

void readPalette(Object space, PictureFacts& facts) {
    std::string profile;
    const int base = componentsOf(space.getArrayItem(1), profile, facts.profileLeftOut);
    const int high = integerOf(space.getArrayItem(2), "palette size");
    if (high > 255) throw NotScanned("its palette is too large");
    Object lookup = space.getArrayItem(3);
    std::string table;
    if (lookup.isString()) table = lookup.getStringValue();
    else if (lookup.isStream()) (void)decodedData(lookup, size_t(256) * 4, table);
    if (table.size() < size_t(high + 1) * base) throw NotScanned("its palette is incomplete");
    const auto* t = reinterpret_cast<const uint8_t*>(table.data());
    for (int i = 0; i <= high; ++i, t += base) {
        facts.palette.push_back(base == 1   ? opaque(t[0], t[0], t[0])
                                : base == 3 ? opaque(t[0], t[1], t[2])
                                            : fromCmyk(t[0], t[1], t[2], t[3]));
    }
    facts.indexed = true;
    facts.components = 1;
    if (base == 3) facts.iccProfile = profile;
}

}  // namespace

void readColourSpace(Object space, PictureFacts& facts) {
    if (space.isArray() && space.getArrayNItems() == 4 && space.getArrayItem(0).isName() &&
        (space.getArrayItem(0).getName() == "/Indexed" || space.getArrayItem(0).getName() == "/I")) {
        readPalette(space, facts);
        return;
    }
    facts.components = componentsOf(space, facts.iccProfile, facts.profileLeftOut);
}

}  // namespace gdip::codecs::pdf
