// The flat imaging interface: plain values in, a status code out.
// Names, argument order and published values follow the desktop imaging API that the
// application layer was written against, so the object layer above maps one call to one
// method. Nothing here depends on Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "page_text.h"
#include "workers.h"

namespace gdip {

enum GpStatus : int32_t {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

// 16-byte identifier in the platform's layout.
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
bool operator==(const GUID& a, const GUID& b);
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

using ARGB = uint32_t;
using PixelFormat = int32_t;
using REAL = float;
using INT = int32_t;
using UINT = uint32_t;

constexpr PixelFormat PixelFormat1bppIndexed = 0x00030101;
constexpr PixelFormat PixelFormat8bppIndexed = 0x00030803;
constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;

// Quarter turns clockwise (the rotations of GDI+'s RotateFlipType; its flips are not taken).
enum RotateFlipType : int32_t {
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
};

enum InterpolationMode : int32_t {
    InterpolationModeDefault = 0,
    InterpolationModeLowQuality = 1,
    InterpolationModeHighQuality = 2,
    InterpolationModeBilinear = 3,
    InterpolationModeBicubic = 4,
    InterpolationModeNearestNeighbor = 5,
    InterpolationModeHighQualityBilinear = 6,
    InterpolationModeHighQualityBicubic = 7,
};

enum GpUnit : int32_t {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
};

extern const GUID FrameDimensionTime;
extern const GUID FrameDimensionResolution;
extern const GUID FrameDimensionPage;

extern const GUID ImageFormatMemoryBMP;
extern const GUID ImageFormatBMP;
extern const GUID ImageFormatJPEG;
extern const GUID ImageFormatPNG;
extern const GUID ImageFormatGIF;
extern const GUID ImageFormatTIFF;
extern const GUID ImageFormatPDF;

// Opaque handles; their definitions live in the back end.
struct GpImage;
using GpBitmap = GpImage;
struct GpGraphics;
struct GpPen;
struct GpBrush;
using GpSolidFill = GpBrush;
struct GpImageAttributes;

using ImageAbort = int (*)(void*);
using DrawImageAbort = ImageAbort;
using GetThumbnailImageAbort = ImageAbort;
using DebugEventProc = void (*)(int32_t level, char* message);

struct GdiplusStartupInput {
    uint32_t GdiplusVersion = 1;
    DebugEventProc DebugEventCallback = nullptr;
    int32_t SuppressBackgroundThread = 0;
    int32_t SuppressExternalCodecs = 0;
};
struct GdiplusStartupOutput;

// The device context of an on-screen picture: 32-bit pixels (0xAARRGGBB words, alpha ignored)
// owned by the widget that hands the struct out.
struct HDC__ {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // in bytes
};
using HDC = HDC__*;

// --- session and allocator -----------------------------------------------------------------
[[nodiscard]] GpStatus GdiplusStartup(uintptr_t* token, const GdiplusStartupInput* input,
                        GdiplusStartupOutput* output);
void GdiplusShutdown(uintptr_t token);
void* GdipAlloc(size_t size);
void GdipFree(void* ptr);

// This back end's own: how many threads may be at work at once in the whole process, the
// calling thread included. 0 (the default) takes ORVELLE_WORKERS when it is set (1 to 64),
// else the number of cores the process may run on (at most 64).
void GdipSetWorkerCount(uint32_t count);
uint32_t GdipWorkerCount();

// This back end's own: the dots per inch at which a PDF page that must be drawn (text,
// drawings, a stamp over a scan) is drawn when no picture over half of it sets its
// resolution; 300 unless set. Values outside 10 to 2400 are refused.
[[nodiscard]] GpStatus GdipSetPdfDrawResolution(double dpi);

// --- work beside the caller (our own) --------------------------------------------------------
// The one pool of threads: its threads start when first needed and last as long as the
// process; at most GdipWorkerCount() - 1 of them are busy at once, beside the thread that
// asked (GdipWorkerCount() when that thread only waits). Work is never queued: a request
// either gets a free worker at once or is refused, and the caller then does the work itself,
// so nesting (bands inside a page inside a lane) can neither deadlock nor multiply threads.

// GpAsker, GdipTryRunOnWorker, GdipPagesAtOnce, GdipStartBeside, GdipStartAside and
// GpWaitOnExit: in workers.h, beside the pool that runs the work.

// --- paths (our own) ---------------------------------------------------------------------------
// A path's bytes as the UTF-16 the flat operations take, and back, every byte kept: names
// on disk need not be valid UTF-8 (see text_utf8.h).
std::u16string GdipPathToUtf16(std::string_view bytes);
std::string GdipPathFromUtf16(std::u16string_view text);

// --- images ----------------------------------------------------------------------------------
[[nodiscard]] GpStatus GdipLoadImageFromFile(const char16_t* filename, GpImage** image);
[[nodiscard]] GpStatus GdipLoadImageFromFileICM(const char16_t* filename, GpImage** image);
// This back end's own: as GdipLoadImageFromFile, and on failure `reason` says why in the
// codec library's (or the system's) words, when they are known.
[[nodiscard]] GpStatus GdipLoadImageFromFileExplained(const char16_t* filename, GpImage** image,
                                                      std::string* reason);
// This back end's own: as GdipLoadImageFromFileExplained, except that a document of several
// pages decodes none until one is selected, nor does a picture of one page that is read by
// bands (GdipBandedFromBytes), so that a page written by bands is never whole.
[[nodiscard]] GpStatus GdipLoadImageFromFileDeferred(const char16_t* filename, GpImage** image, std::string* reason);
// This back end's own: the size of frame `frameIndex`, from its header when it is not the
// active one (the active frame's, when it is); InvalidParameter when it cannot be had.
[[nodiscard]] GpStatus GdipGetFrameSize(GpImage* image, UINT frameIndex, UINT* width, UINT* height);
// This back end's own: a picture from `size` bytes in memory, which are copied.
[[nodiscard]] GpStatus GdipLoadImageFromBytes(const void* bytes, size_t size, GpImage** image);
[[nodiscard]] GpStatus GdipDisposeImage(GpImage* image);
[[nodiscard]] GpStatus GdipGetImageWidth(GpImage* image, UINT* width);
[[nodiscard]] GpStatus GdipGetImageHeight(GpImage* image, UINT* height);
[[nodiscard]] GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);
// What the codec library read past in the active frame (an empty directory entry and the
// like), in its words; empty when it said nothing.
[[nodiscard]] GpStatus GdipGetFrameWarning(GpImage* image, std::string* warning);
// Why the active frame could not be decoded, in the codec library's words; empty when it
// was, or when the library gave no reason.
[[nodiscard]] GpStatus GdipGetFrameFailure(GpImage* image, std::string* failure);
// This back end's own: what the file says of the active frame besides its pixels.
struct ImageFacts {
    UINT orientation = 1;    // as stored, 1 to 8; the frame is delivered upright
    UINT reducedImages = 0;  // reduced-resolution copies of pages, not counted as frames
    REAL aspectX = 0;        // a resolution without unit (the pixels' aspect); 0 when none
    REAL aspectY = 0;
    UINT profileBytes = 0;   // the embedded colour profile; 0 when none
    char profileSpace[5] = {};  // its colour space as the profile names it ("RGB ", "GRAY", "CMYK")
    bool rendered = false;      // a document's page drawn by its renderer, not a picture decoded
    bool textLeftOut = false;   // the page's invisible text (an OCR layer) is not in its pixels
};
[[nodiscard]] GpStatus GdipGetImageFacts(GpImage* image, ImageFacts* facts);
// This back end's own: gives `to` what the active frame of `from` carries besides pixels and
// dots per inch (colour profile, text tags, a resolution without unit times `scale`), for a
// copy drawn from it.
[[nodiscard]] GpStatus GdipCopyImageMetadata(GpImage* from, GpImage* to, REAL scale);
[[nodiscard]] GpStatus GdipGetImageRawFormat(GpImage* image, GUID* format);
[[nodiscard]] GpStatus GdipGetImageHorizontalResolution(GpImage* image, REAL* resolution);
[[nodiscard]] GpStatus GdipGetImageVerticalResolution(GpImage* image, REAL* resolution);
[[nodiscard]] GpStatus GdipImageGetFrameDimensionsCount(GpImage* image, UINT* count);
[[nodiscard]] GpStatus GdipImageGetFrameDimensionsList(GpImage* image, GUID* dimensionIDs, UINT count);
[[nodiscard]] GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimensionID, UINT* count);
[[nodiscard]] GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimensionID, UINT frameIndex);
// This back end's own: frees the active frame's pixels of an image read from a file (it is
// decoded again when selected again); a file being written through the image stays open.
[[nodiscard]] GpStatus GdipImageReleaseFrame(GpImage* image);
// Turns the active frame, until it is released or another is selected. NotImplemented for
// a flip.
[[nodiscard]] GpStatus GdipImageRotateFlip(GpImage* image, RotateFlipType type);
// This back end's own: of the active frame inside margins of 1 %, the share of pixels well
// darker than its paper (0 to 1), and the paper's lightness (its median, 0 to 255).
[[nodiscard]] GpStatus GdipGetImageInkShare(GpImage* image, REAL* darkShare, uint8_t* paper);
// Our own: the active frame scaled with nearest neighbour into a new image of the same pixel
// class (palette and all), its resolution multiplied by `dpiScale`.
[[nodiscard]] GpStatus GdipScaleImageInClass(GpImage* image, UINT width, UINT height, REAL dpiScale,
                                             GpImage** scaled);
[[nodiscard]] GpStatus GdipGetImageThumbnail(GpImage* image, UINT thumbWidth, UINT thumbHeight,
                               GpImage** thumbImage, GetThumbnailImageAbort callback,
                               void* callbackData);
// This back end's own: whether a picture of `width` x `height` pixels may be made at all in
// `format` (the limits every size is checked against).
bool GdipPictureSizeAllowed(uint64_t width, uint64_t height, PixelFormat format);
[[nodiscard]] GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format,
                                   uint8_t* scan0, GpBitmap** bitmap);
[[nodiscard]] GpStatus GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color);

// --- encoding ------------------------------------------------------------------------------------
struct EncoderParameter {
    GUID Guid;
    uint32_t NumberOfValues;
    uint32_t Type;
    void* Value;
};
struct EncoderParameters {
    uint32_t Count;
    EncoderParameter Parameter[1];
};
constexpr uint32_t EncoderParameterValueTypeLong = 4;

extern const GUID EncoderQuality;
extern const GUID EncoderSaveFlag;
extern const GUID EncoderCompression;  // TIFF only
// PNG only, value 24: an indexed frame is written as 8-bit RGB (refused with NotImplemented
// when its palette is not opaque); other values are ignored.
extern const GUID EncoderColorDepth;
// TIFF only, our own: value 1 writes BigTIFF (64-bit offsets) from the first page. A classic
// file refuses, with ValueOverflow and nothing written, a page that could take it past 4 GiB.
extern const GUID EncoderBigTiff;
// Ours: the dots per inch a PDF page is given when its picture has no resolution.
extern const GUID EncoderPdfDpi;
enum EncoderValue : uint32_t {
    EncoderValueCompressionLZW = 2,
    EncoderValueCompressionCCITT4 = 4,  // bilevel pages; any other page is written with LZW
    // Our own: deflate, with the horizontal predictor where it makes a page smaller.
    EncoderValueCompressionDeflate = 100,
    // Our own: bilevel pages with CCITT G4, the rest with LZW and the horizontal predictor
    // where it makes a page smaller.
    EncoderValueCompressionAuto = 101,
    EncoderValueMultiFrame = 18,
    EncoderValueLastFrame = 19,
    EncoderValueFlush = 20,
    EncoderValueFrameDimensionPage = 23,
};

// What the encoder list describes of each encoder; strings follow the records in the buffer.
struct ImageCodecInfo {
    GUID Clsid;
    GUID FormatID;
    const char16_t* CodecName;
    const char16_t* DllName;
    const char16_t* FormatDescription;
    const char16_t* FilenameExtension;
    const char16_t* MimeType;
    uint32_t Flags;
    uint32_t Version;
    uint32_t SigCount;
    uint32_t SigSize;
    const uint8_t* SigPattern;
    const uint8_t* SigMask;
};

[[nodiscard]] GpStatus GdipGetImageEncodersSize(UINT* numEncoders, UINT* size);
[[nodiscard]] GpStatus GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders);
[[nodiscard]] GpStatus GdipBitmapSetResolution(GpBitmap* bitmap, REAL xdpi, REAL ydpi);

[[nodiscard]] GpStatus GdipSaveImageToFile(GpImage* image, const char16_t* filename, const GUID* clsidEncoder,
                             const EncoderParameters* encoderParams);
// This back end's own: the file that drawing `image` nearest neighbour onto a 24-bit bitmap
// of `width` x `height` (its resolution times `dpiScale`) and saving that bitmap would give,
// without the bitmap: each row is drawn as the encoder writes it, so the picture is never
// whole in memory. NotImplemented for the formats that need every pixel at once (TIFF, GIF,
// PDF), which are saved from a drawn bitmap.
[[nodiscard]] GpStatus GdipSaveImageDrawnToFile(GpImage* image, UINT width, UINT height, REAL dpiScale,
                                                const char16_t* filename, const GUID* clsidEncoder,
                                                const EncoderParameters* encoderParams);
// What a page saved by bands was: why it could not be read (then the status is not Ok and
// nothing is written), what its decoder read past, and its facts as GdipGetImageFacts gives them.
struct GpStreamedFrame {
    std::string failure;
    std::string warning;
    ImageFacts facts;
    UINT width = 0;  // the page's own size, as it is shown
    UINT height = 0;
};
// The size a page of `width` x `height` is written at, and its resolution's factor.
struct GpDrawnSize {
    UINT width = 0;
    UINT height = 0;
    REAL dpiScale = 1;
};
// This back end's own: the decoded size from which a page is better read from its file by
// bands as it is written than decoded whole. Smaller pages are decoded whole, their strips on
// every worker at once, which is faster: on 40 scans of 2480 x 3508 RGB into JPEG, 2.07 s
// whole against 2.78 s by bands (two cores).
constexpr uint64_t GdipBandedFromBytes = uint64_t{64} << 20;
// This back end's own: frame `frameIndex` of the image's file saved at the size `sizeOf`
// gives for it, as decoding it and GdipSaveImageDrawnToFile would (at its own size and a
// factor of 1, as the decoded frame itself saves), without the frame: its rows are read from
// the file by bands as they are written, so the page is never whole in memory. NotImplemented
// for a page whose decoded frame would take fewer than `fromBytes`, for the pages and formats
// that are not written so, and for a page whose header cannot be
// read (decoding it says why); the image's active frame stays as it was.
[[nodiscard]] GpStatus GdipSaveFrameStreamedToFile(GpImage* image, UINT frameIndex, uint64_t fromBytes,
                                                   const std::function<GpDrawnSize(UINT, UINT)>& sizeOf,
                                                   const char16_t* filename, const GUID* clsidEncoder,
                                                   const EncoderParameters* encoderParams, GpStreamedFrame* result);
// This back end's own: frame `frameIndex` of `source`, turned by `quarterTurns` quarters
// clockwise, added as decoded to the multi-frame
// file `image` is saving (as GdipSaveAddImage), or, when it saves none yet, starting
// `filename` with it (as GdipSaveImageToFile, the multi-frame flag keeping the file as
// `image`'s), without the frame: its rows are read from the file by bands as they are written.
// NotImplemented as for GdipSaveFrameStreamedToFile, and for any output but TIFF and PDF. A page
// one of whose rows cannot be read is taken out again: GenericError, `result->failure` why.
[[nodiscard]] GpStatus GdipSaveAddFrameStreamed(GpImage* image, GpImage* source, UINT frameIndex, uint64_t fromBytes,
                                                INT quarterTurns, const char16_t* filename, const GUID* clsidEncoder,
                                                const EncoderParameters* encoderParams, GpStreamedFrame* result);
// This back end's own: the thumbnail GdipGetImageThumbnail gives of frame `frameIndex`, at the
// size `sizeOf` gives for the page, made as the page is read from its file by bands, so that
// the page is never whole in memory. NotImplemented as for GdipSaveFrameStreamedToFile; when
// a row cannot be read, no thumbnail and `result->failure` says why.
[[nodiscard]] GpStatus GdipGetFrameThumbnailStreamed(GpImage* image, UINT frameIndex, uint64_t fromBytes,
                                                     const std::function<GpDrawnSize(UINT, UINT)>& sizeOf,
                                                     GpImage** thumbnail, GpStreamedFrame* result);
// This back end's own: frame `frameIndex` drawn whole into the rectangle on `graphics`, as
// GdipDrawImageRectRectI draws the decoded frame, from its rows as the page is read by bands,
// so that it is never whole in memory. NotImplemented as for GdipSaveFrameStreamedToFile;
// when a row cannot be read, `result->failure` says why (what was drawn stays).
[[nodiscard]] GpStatus GdipDrawFrameStreamed(GpGraphics* graphics, GpImage* image, UINT frameIndex, uint64_t fromBytes,
                                             INT dstx, INT dsty, INT dstwidth, INT dstheight, GpStreamedFrame* result);
[[nodiscard]] GpStatus GdipSaveAddImage(GpImage* image, GpImage* newImage,
                          const EncoderParameters* encoderParams);

// This back end's own: the files saved from now on by this process are complete when their
// save returns, and named together when the batch is settled: one flush of the disk for all
// of them instead of one each. WrongState when a batch is open already (files are then
// named one by one, as without a batch).
[[nodiscard]] GpStatus GdipBeginOutputBatch();
// Names the batch's files and closes it; `unnamed` gets each file that could not be named
// (nothing of it is left) with why.
struct GpUnnamedOutput {
    std::string path;
    GpStatus status;
};
[[nodiscard]] GpStatus GdipSettleOutputBatch(std::vector<GpUnnamedOutput>* unnamed);

// --- pages copied as stored (our own) ---------------------------------------------------------
// A TIFF written from pages of other files: TIFF pages with their strips or tiles as
// stored and every tag that describes them, JPEG files as JPEG-compressed pages holding the
// file's own stream; pages that cannot be kept so are decoded and written losslessly in
// their own pixel class (deflate, the predictor where it helps). Nothing is decoded to copy
// a page, so the size limit of a decoded picture does not apply to it.
struct GpPageSource;
struct GpStoredPageWriter;

// Opens a file to copy pages from into an output in the format of the encoder
// `clsidEncoder` (TIFF or PDF; null for TIFF): `pages` is what it holds (reduced-resolution
// images left out); on failure `reason` says why, when that is known. Into a PDF, every page
// of a PDF goes whole, whatever it holds; into a TIFF only its scanned pictures can go.
[[nodiscard]] GpStatus GdipOpenPageSource(const char16_t* filename, const GUID* clsidEncoder, GpPageSource** source,
                                          UINT* pages, std::string* reason);
[[nodiscard]] GpStatus GdipDisposePageSource(GpPageSource* source);
// Starts `filename` in the format of the encoder `clsidEncoder` (TIFF or PDF; null for
// TIFF), written beside its place until it is finished. TIFF: value 1 of EncoderBigTiff in
// `encoderParams` makes it BigTIFF from the first page; a classic file refuses with
// ValueOverflow, adding nothing, a page that could take it past 4 GiB. PDF: EncoderPdfDpi
// gives the resolution of pages that have none.
[[nodiscard]] GpStatus GdipCreateStoredPageWriter(const char16_t* filename, const GUID* clsidEncoder,
                                          const EncoderParameters* encoderParams, GpStoredPageWriter** copy);
// Adds page `page` of `source`, turned by `quarterTurns` quarters clockwise (this back end's
// own). `copied` is 1 when its data went in as stored (a turn then in its tags or its
// /Rotate), 0 when it was not; `note` says why it was decoded or how it was turned without
// loss, or why the page failed, or, for a page copied, what of its document did not go with
// it (a PDF's outlines and form fields).
[[nodiscard]] GpStatus GdipStoredPageWriterAdd(GpStoredPageWriter* copy, GpPageSource* source, UINT page,
                                               INT quarterTurns, INT* copied, std::string* note);
// Completes the file and puts it in place; WrongState when it has no page.
[[nodiscard]] GpStatus GdipStoredPageWriterFinish(GpStoredPageWriter* copy);
// This back end's own: after a failed add or finish, why the output could not be written
// when the writer knew more than the status says; empty otherwise.
[[nodiscard]] GpStatus GdipGetStoredPageWriterFailure(GpStoredPageWriter* copy, std::string* failure);
// Releases the writer; a file not finished is dropped, an existing one left as it was.
[[nodiscard]] GpStatus GdipDisposeStoredPageWriter(GpStoredPageWriter* copy);

// --- text recognition (our own) -----------------------------------------------------------
// Words found in pictures by the text recogniser, loaded the first time it is needed; each
// thread keeps an engine of its own. `languages` is the recogniser's ("chi_sim+eng").

// Whether every one of `languages` is installed: InvalidParameter, with `why` naming the
// package that has it, when one is not; GenericError when the recogniser cannot be loaded.
[[nodiscard]] GpStatus GdipCheckTextLanguages(const char* languages, std::string* why);
// The text a frame carries of its own beside its pixels (a PDF page's), which words
// recognised in them would only repeat: none, only text no one sees (an earlier
// recogniser's words), or text that is seen.
enum class FrameText { None, Invisible, Seen };
[[nodiscard]] GpStatus GdipGetImageFrameText(GpImage* image, UINT frameIndex, FrameText* text);
// The words of `image`'s active frame as it is, their boxes in its pixels.
[[nodiscard]] GpStatus GdipRecognizeImageText(GpImage* image, const char* languages, PageText* text, std::string* why);
// The quarter turns clockwise (0 to 3) that set the active frame's text upright, and how
// sure the recogniser is (15 is fairly sure); NotImplemented when it cannot tell.
[[nodiscard]] GpStatus GdipGetImageUprightTurns(GpImage* image, const char* languages, INT* quarterTurns,
                                                REAL* confidence, std::string* why);
// The words of the next page a PDF writer adds, as that page is shown: written over its
// picture as invisible text. NotImplemented for a TIFF.
[[nodiscard]] GpStatus GdipStoredPageWriterSetPageText(GpStoredPageWriter* copy, const PageText* text);

// --- drawing surfaces --------------------------------------------------------------------------
[[nodiscard]] GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
[[nodiscard]] GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
[[nodiscard]] GpStatus GdipDeleteGraphics(GpGraphics* graphics);
[[nodiscard]] GpStatus GdipSetInterpolationMode(GpGraphics* graphics, InterpolationMode mode);
[[nodiscard]] GpStatus GdipGraphicsClear(GpGraphics* graphics, ARGB color);
[[nodiscard]] GpStatus GdipFillRectangleI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width,
                            INT height);
[[nodiscard]] GpStatus GdipDrawRectangleI(GpGraphics* graphics, GpPen* pen, INT x, INT y, INT width,
                            INT height);
[[nodiscard]] GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width,
                           REAL height);
[[nodiscard]] GpStatus GdipDrawImageRectRectI(GpGraphics* graphics, GpImage* image, INT dstx, INT dsty,
                                INT dstwidth, INT dstheight, INT srcx, INT srcy, INT srcwidth,
                                INT srcheight, GpUnit srcUnit,
                                const GpImageAttributes* imageAttributes,
                                DrawImageAbort callback, void* callbackData);

// --- pens and brushes ----------------------------------------------------------------------------
[[nodiscard]] GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen);
[[nodiscard]] GpStatus GdipSetPenColor(GpPen* pen, ARGB argb);
[[nodiscard]] GpStatus GdipDeletePen(GpPen* pen);
[[nodiscard]] GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
[[nodiscard]] GpStatus GdipCloneBrush(GpBrush* brush, GpBrush** cloneBrush);
[[nodiscard]] GpStatus GdipDeleteBrush(GpBrush* brush);

}  // namespace gdip
