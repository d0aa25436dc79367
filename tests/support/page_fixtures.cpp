#include "support/page_fixtures.h"

#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>

namespace fixtures {
namespace {

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using Tiff = std::unique_ptr<TIFF, TiffCloser>;

Tiff openAt(const std::string& path, uint16_t page) {
    Tiff tif(TIFFOpen(path.c_str(), "r"));
    if (!tif || !TIFFSetDirectory(tif.get(), page)) throw std::runtime_error("cannot read page of " + path);
    return tif;
}

void putBe32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

}  // namespace

std::string iccProfile(const char* space) {
    // Header, an empty tag table, and bytes of its own that do not compress: libpng refuses a
    // profile chunk shorter than about 100 bytes, as real profiles never are.
    std::string profile(600, '\0');
    putBe32(profile, 0, static_cast<uint32_t>(profile.size()));
    std::memcpy(&profile[8], "\x02\x10\x00\x00", 4);
    std::memcpy(&profile[12], "mntr", 4);
    std::memcpy(&profile[16], space, 4);
    std::memcpy(&profile[20], "XYZ ", 4);
    std::memcpy(&profile[36], "acsp", 4);
    putBe32(profile, 68, 0x0000F6D6);  // the D50 illuminant readers check for
    putBe32(profile, 72, 0x00010000);
    putBe32(profile, 76, 0x0000D32D);
    uint32_t seed = static_cast<uint32_t>(space[0]) * 2654435761u;
    for (size_t i = 132; i < profile.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        profile[i] = static_cast<char>(seed >> 24);
    }
    return profile;
}

void writeStoredPage(const std::string& path, const StoredLayout& l) {
    Tiff tif(TIFFOpen(path.c_str(), "w"));
    if (!tif) throw std::runtime_error("cannot write " + path);
    TIFF* t = tif.get();
    constexpr uint32_t kWidth = 40, kHeight = 24;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(t, TIFFTAG_COMPRESSION, l.compression);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, l.planar);
    TIFFSetField(t, TIFFTAG_FILLORDER, l.fillOrder);
    if (l.predictor != 1) TIFFSetField(t, TIFFTAG_PREDICTOR, l.predictor);
    const bool jpeg = l.compression == COMPRESSION_JPEG;
    if (jpeg) {
        TIFFSetField(t, TIFFTAG_JPEGQUALITY, 90);
        TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (l.tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, jpeg ? 16 : 5);
    }
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> r(size_t{1} << l.bits), g(r.size()), b(r.size());
        for (size_t i = 0; i < r.size(); ++i) {
            r[i] = static_cast<uint16_t>(i * 257);
            g[i] = static_cast<uint16_t>((255 - i % 256) * 257);
            b[i] = static_cast<uint16_t>((i * 7 % 256) * 257);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 196.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_NONE);
    const uint32_t texts[] = {TIFFTAG_PAGENAME, TIFFTAG_DOCUMENTNAME, TIFFTAG_IMAGEDESCRIPTION,
                              TIFFTAG_DATETIME, TIFFTAG_ARTIST,       TIFFTAG_MAKE,
                              TIFFTAG_MODEL,    TIFFTAG_SOFTWARE,     TIFFTAG_COPYRIGHT};
    for (const uint32_t tag : texts) TIFFSetField(t, tag, ("value of " + std::to_string(tag)).c_str());
    const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    TIFFSetField(t, TIFFTAG_XMLPACKET, static_cast<uint32_t>(xmp.size()), xmp.data());
    const std::string profile = iccProfile(l.samples >= 3 && l.photometric != PHOTOMETRIC_PALETTE ? "RGB " : "GRAY");
    TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile.size()), profile.data());

    // Pixels that are not flat, in whatever the layout holds.
    const Picture picture = gradient(kWidth, kHeight, 3);
    const uint32_t planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
    const uint32_t perPixel = l.planar == PLANARCONFIG_SEPARATE ? 1 : l.samples;
    const tmsize_t rowBytes = (static_cast<tmsize_t>(kWidth) * perPixel * l.bits + 7) / 8;
    std::vector<uint8_t> image(static_cast<size_t>(rowBytes) * kHeight * planes);
    for (uint32_t plane = 0; plane < planes; ++plane)
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x)
                for (uint32_t s = 0; s < perPixel; ++s) {
                    const uint8_t v = picture.at(x, y)[(plane + s) % 3];
                    uint8_t* row = &image[(size_t{plane} * kHeight + y) * rowBytes];
                    const size_t i = size_t{x} * perPixel + s;
                    if (l.bits == 1) row[i / 8] |= static_cast<uint8_t>((v > 127) << (7 - i % 8));
                    else if (l.bits == 8) row[i] = v;
                    else if (l.bits == 16) row[2 * i] = row[2 * i + 1] = v;
                }
    if (l.tiled) {
        const tmsize_t tileBytes = TIFFTileSize(t);
        std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
        const uint32_t bytesPerPixel = perPixel * l.bits / 8;
        for (uint32_t plane = 0; plane < planes; ++plane)
            for (uint32_t y = 0; y < kHeight; y += 16)
                for (uint32_t x = 0; x < kWidth; x += 16) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (uint32_t r = 0; r < 16 && y + r < kHeight; ++r)
                        for (uint32_t c = 0; c < 16 && x + c < kWidth; ++c)
                            std::memcpy(&tile[(r * 16 + c) * bytesPerPixel],
                                        &image[(size_t{plane} * kHeight + y + r) * rowBytes + (x + c) * bytesPerPixel],
                                        bytesPerPixel);
                    TIFFWriteTile(t, tile.data(), x, y, 0, static_cast<uint16_t>(plane));
                }
    } else {
        for (uint32_t plane = 0; plane < planes; ++plane)
            for (uint32_t y = 0; y < kHeight; ++y)
                TIFFWriteScanline(t, &image[(size_t{plane} * kHeight + y) * rowBytes], y, static_cast<uint16_t>(plane));
    }
}

std::vector<std::vector<uint8_t>> rawPieces(const std::string& path, uint16_t page) {
    Tiff tif = openAt(path, page);
    const bool tiled = TIFFIsTiled(tif.get());
    const uint32_t count = tiled ? TIFFNumberOfTiles(tif.get()) : TIFFNumberOfStrips(tif.get());
    std::vector<std::vector<uint8_t>> pieces(count);
    for (uint32_t i = 0; i < count; ++i) {
        pieces[i].resize(static_cast<size_t>(TIFFGetStrileByteCount(tif.get(), i)));
        const tmsize_t got = tiled ? TIFFReadRawTile(tif.get(), i, pieces[i].data(), static_cast<tmsize_t>(pieces[i].size()))
                                   : TIFFReadRawStrip(tif.get(), i, pieces[i].data(), static_cast<tmsize_t>(pieces[i].size()));
        if (got != static_cast<tmsize_t>(pieces[i].size())) throw std::runtime_error("short raw read");
    }
    return pieces;
}

std::map<uint32_t, std::string> describingTags(const std::string& path, uint16_t page) {
    Tiff tif = openAt(path, page);
    TIFF* t = tif.get();
    std::map<uint32_t, std::string> tags;
    for (const uint32_t tag : {TIFFTAG_BITSPERSAMPLE, TIFFTAG_SAMPLESPERPIXEL, TIFFTAG_COMPRESSION, TIFFTAG_PHOTOMETRIC,
                               TIFFTAG_PLANARCONFIG, TIFFTAG_FILLORDER, TIFFTAG_SAMPLEFORMAT, TIFFTAG_ORIENTATION,
                               TIFFTAG_RESOLUTIONUNIT, TIFFTAG_PREDICTOR}) {
        uint16_t v = 0;
        if (TIFFGetField(t, tag, &v)) tags[tag] = std::to_string(v);
    }
    for (const uint32_t tag : {TIFFTAG_IMAGEWIDTH, TIFFTAG_IMAGELENGTH, TIFFTAG_ROWSPERSTRIP, TIFFTAG_TILEWIDTH,
                               TIFFTAG_TILELENGTH}) {
        uint32_t v = 0;
        if (TIFFGetField(t, tag, &v)) tags[tag] = std::to_string(v);
    }
    for (const uint32_t tag : {TIFFTAG_XRESOLUTION, TIFFTAG_YRESOLUTION}) {
        float v = 0;
        if (TIFFGetField(t, tag, &v)) tags[tag] = std::to_string(v);
    }
    for (const uint32_t tag : {TIFFTAG_PAGENAME, TIFFTAG_DOCUMENTNAME, TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_DATETIME,
                               TIFFTAG_ARTIST, TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_SOFTWARE, TIFFTAG_COPYRIGHT}) {
        const char* v = nullptr;
        if (TIFFGetField(t, tag, &v) && v) tags[tag] = v;
    }
    for (const uint32_t tag : {TIFFTAG_JPEGTABLES, TIFFTAG_ICCPROFILE, TIFFTAG_XMLPACKET}) {
        uint32_t n = 0;
        void* v = nullptr;
        if (TIFFGetField(t, tag, &n, &v) && v) tags[tag] = std::string(static_cast<const char*>(v), n);
    }
    uint16_t subX = 0, subY = 0;
    if (TIFFGetField(t, TIFFTAG_YCBCRSUBSAMPLING, &subX, &subY))
        tags[TIFFTAG_YCBCRSUBSAMPLING] = std::to_string(subX) + "," + std::to_string(subY);
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    uint16_t bits = 0;
    TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bits);
    if (TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b)) {
        const size_t entries = size_t{1} << bits;
        tags[TIFFTAG_COLORMAP] = std::string(reinterpret_cast<const char*>(r), entries * 2) +
                                 std::string(reinterpret_cast<const char*>(g), entries * 2) +
                                 std::string(reinterpret_cast<const char*>(b), entries * 2);
    }
    return tags;
}

void writeJpegWith(const std::string& path, const Picture& picture, const JpegExtras& extras) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + path);
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = picture.width;
    info.image_height = picture.height;
    info.input_components = picture.channels;
    info.in_color_space = picture.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, extras.quality, TRUE);
    info.write_JFIF_header = extras.jfif ? TRUE : FALSE;
    if (extras.jfifDpi > 0) {
        info.density_unit = 1;
        info.X_density = info.Y_density = static_cast<UINT16>(extras.jfifDpi);
    }
    if (extras.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (extras.orientation || extras.exifDpi) {
        // "Exif\0\0", a little-endian TIFF header and one directory: orientation, then the
        // two resolutions (rationals after the directory) and their unit.
        std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 4, 0};
        auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
            const uint8_t bytes[12] = {uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), 0, 1, 0, 0, 0,
                                       uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
            exif.insert(exif.end(), bytes, bytes + 12);
        };
        const uint32_t rationals = 8 + 2 + 4 * 12 + 4;  // after the directory, from the TIFF header
        entry(0x0112, 3, extras.orientation ? extras.orientation : 1);
        entry(0x011A, 5, rationals);
        entry(0x011B, 5, rationals + 8);
        entry(0x0128, 3, 2);
        exif.insert(exif.end(), {0, 0, 0, 0});
        for (int k = 0; k < 2; ++k) {
            const uint32_t dpi = extras.exifDpi ? extras.exifDpi : 72;
            const uint8_t bytes[8] = {uint8_t(dpi), uint8_t(dpi >> 8), 0, 0, 1, 0, 0, 0};
            exif.insert(exif.end(), bytes, bytes + 8);
        }
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    if (!extras.profile.empty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(extras.profile.data()),
                               static_cast<unsigned>(extras.profile.size()));
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(picture.at(0, info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

std::string pngProfile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::string profile;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_charp name = nullptr;
        int compression = 0;
        png_bytep data = nullptr;
        png_uint_32 length = 0;
        if (png_get_iCCP(png, info, &name, &compression, &data, &length))
            profile.assign(reinterpret_cast<const char*>(data), length);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return profile;
}

std::string jpegProfile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    JOCTET* data = nullptr;
    unsigned length = 0;
    std::string profile;
    if (jpeg_read_icc_profile(&info, &data, &length)) profile.assign(reinterpret_cast<const char*>(data), length);
    std::free(data);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return profile;
}

std::string tiffProfile(const std::string& path, uint16_t page) {
    Tiff tif = openAt(path, page);
    uint32_t n = 0;
    void* v = nullptr;
    if (!TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &n, &v) || !v) return {};
    return std::string(static_cast<const char*>(v), n);
}

std::vector<uint8_t> jpegScanData(const std::vector<uint8_t>& file) {
    for (size_t i = 2; i + 4 <= file.size();) {
        if (file[i] != 0xFF) return {};
        if (file[i + 1] == 0xDA) return std::vector<uint8_t>(file.begin() + static_cast<long>(i), file.end());
        i += 2 + ((size_t{file[i + 2]} << 8) | file[i + 3]);
    }
    return {};
}

}  // namespace fixtures
