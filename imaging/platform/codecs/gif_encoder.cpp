// Single-picture GIF through giflib, from the palette that gif_palette makes.
#include <gif_lib.h>

#include "codec.h"
#include "gif_palette.h"

namespace gdip::codecs {
namespace {

int writeToStream(GifFileType* gif, const GifByteType* data, int length) {
    return static_cast<int>(
        std::fwrite(data, 1, static_cast<size_t>(length), static_cast<std::FILE*>(gif->UserData)));
}

struct GifWriterCloser {
    void operator()(GifFileType* gif) const {
        if (gif) EGifCloseFile(gif, nullptr);
    }
};
struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

class GifEncoder final : public SinglePictureEncoder {
public:
    using SinglePictureEncoder::SinglePictureEncoder;

protected:
    GpStatus write(const Frame& frame) override {
        if (frame.width > 65535 || frame.height > 65535) return InvalidParameter;
        IndexedPicture picture;
        const GpStatus status = toIndexed(frame, picture);
        if (status != Ok) return status;

        int size = 2;
        while (size < static_cast<int>(picture.palette.size())) size *= 2;
        std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(size, nullptr));
        if (!map) return OutOfMemory;
        for (int i = 0; i < size; ++i) {
            const ARGB c = i < static_cast<int>(picture.palette.size()) ? picture.palette[i] : 0;
            map->Colors[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                              static_cast<GifByteType>(c)};
        }
        int error = 0;
        std::unique_ptr<GifFileType, GifWriterCloser> gif(EGifOpen(stream(), &writeToStream, &error));
        if (!gif) return Win32Error;
        const int width = static_cast<int>(picture.width), height = static_cast<int>(picture.height);
        if (picture.transparent >= 0) EGifSetGifVersion(gif.get(), true);
        if (EGifPutScreenDesc(gif.get(), width, height, 8, 0, map.get()) != GIF_OK) return Win32Error;
        if (picture.transparent >= 0) {
            GraphicsControlBlock control{};
            control.DisposalMode = DISPOSAL_UNSPECIFIED;
            control.TransparentColor = picture.transparent;
            GifByteType extension[4];
            const size_t length = EGifGCBToExtension(&control, extension);
            if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                 extension) != GIF_OK)
                return Win32Error;
        }
        if (EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) != GIF_OK)
            return Win32Error;
        for (int y = 0; y < height; ++y)
            if (EGifPutLine(gif.get(), &picture.indices[static_cast<size_t>(y) * picture.width],
                            width) != GIF_OK)
                return Win32Error;
        GifFileType* closing = gif.release();
        return EGifCloseFile(closing, &error) == GIF_OK ? Ok : Win32Error;
    }
};

}  // namespace

std::unique_ptr<Encoder> createGifEncoder(std::FILE* stream, GpStatus& status) {
    status = Ok;
    return std::make_unique<GifEncoder>(stream);
}

}  // namespace gdip::codecs
