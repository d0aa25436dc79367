// What a page of a scanned PDF is: one picture drawn over it, how that picture is coded and
// what its samples mean, how it lies on the page and at what resolution.
#pragma once

#include <qpdf/QPDFPageObjectHelper.hh>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "../../argb.h"
#include "pdf_content.h"
#include "pdf_streams.h"

namespace gdip::codecs::pdf {

// Ends a look at a page with the reason it, or its picture, is not what we read.
struct NotScanned : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// A page that is one JBIG2 picture: the renderer decodes it.
struct Jbig2Picture : NotScanned {
    using NotScanned::NotScanned;
};

struct PictureFacts {
    mutable Object image;  // the library's handles change as they resolve
    uint32_t width = 0;
    uint32_t height = 0;
    int bits = 8;
    enum class Coding { Samples, Jpeg, Fax, Jpx } coding = Coding::Samples;
    mutable Object parms;  // of the fax or JPEG filter
    int components = 1;    // of the colour space (1 for a palette)
    bool indexed = false;
    bool inverted = false;               // /Decode [1 0 ...]
    double indexFrom = 0, indexTo = -1;  // a palette's /Decode [from to]; to < 0 when absent
    bool stencil = false;
    std::vector<ARGB> palette;
    std::string iccProfile;
    bool profileLeftOut = false;  // a profile too large or damaged to be read
    uint16_t orientation = 1;     // how its rows are seen: the picture's placement, then the page's /Rotate
    double dpiX = 0;
    double dpiY = 0;
    bool textLeftOut = false;  // the page's invisible text (an OCR layer) is not in the picture
};

// The picture `page` draws and nothing else (but perhaps text no one sees); NotScanned when
// it is not such a page, ContentTooLarge when its content is beyond reading.
PictureFacts pictureOf(QPDFPageObjectHelper& page);
PictureFacts pictureOf(QPDFPageObjectHelper& page, const PageContent& content);

// A JPEG picture's stored bytes, a second start-of-image marker before its frame (tables and
// picture joined as they were kept apart) taken out; null as storedData.
std::shared_ptr<const std::string> jpegData(Object image);

// Makes the page's JPEG pictures that were joined with markers that end them early whole
// again (see mendJoinedJpeg), in the document as read, for a copy of the page.
void mendJpegPictures(QPDFPageObjectHelper& page);

// The resolution, in dots per inch, of the largest picture `content` draws over half the page
// or more; 0 when it draws none.
double largestPictureResolution(QPDFPageObjectHelper& page, const PageContent& content);

// A whole number of a picture's dictionary, `what` naming it when it is missing or absurd.
int integerOf(Object object, const char* what);

// The fax filter's coding: -1 for G4, 0 for one-dimensional G3, 1 for two-dimensional G3.
int faxK(Object parms);

// A true boolean `key` of a filter's parameters.
bool flag(Object parms, const char* key);

}  // namespace gdip::codecs::pdf
