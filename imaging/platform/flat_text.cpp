// The flat interface's text recognition: the words of an image's active frame, and a text
// layer for the next page of a PDF being written.
#include <new>

#include "gdiplus_flat.h"
#include "handles.h"
#include "ocr/text_recognition.h"

namespace gdip {

GpStatus GdipCheckTextLanguages(const char* languages, std::string* why) {
    std::string ignored;
    if (!why) why = &ignored;
    if (!languages) return InvalidParameter;
    try {
        return ocr::checkLanguages(languages, *why);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipGetImageFrameText(GpImage* image, UINT frameIndex, FrameText* text) {
    if (!image || !text || frameIndex >= image->frameCount) return InvalidParameter;
    try {
        *text = image->decoder ? image->decoder->frameText(frameIndex) : FrameText::None;
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipRecognizeImageText(GpImage* image, const char* languages, PageText* text, std::string* why) {
    std::string ignored;
    if (!why) why = &ignored;
    if (!languages || !text) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    try {
        return ocr::recognise(image->frame, languages, *text, *why);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipGetImageUprightTurns(GpImage* image, const char* languages, INT* quarterTurns, REAL* confidence,
                                  std::string* why) {
    std::string ignored;
    if (!why) why = &ignored;
    if (!languages || !quarterTurns || !confidence) return InvalidParameter;
    if (const GpStatus status = checkFrame(image); status != Ok) return status;
    try {
        int turns = 0;
        float sure = 0;
        const GpStatus status = ocr::uprightTurns(image->frame, languages, turns, sure, *why);
        *quarterTurns = turns;
        *confidence = sure;
        return status;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

GpStatus GdipStoredPageWriterSetPageText(GpStoredPageWriter* copy, const PageText* text) {
    if (!copy || !text) return InvalidParameter;
    if (!copy->pdf) return NotImplemented;
    try {
        copy->pdf->setNextPageText(*text);
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace gdip
