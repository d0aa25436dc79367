// The outputs of one job written complete and named together: one flush of the disk for a
// split's hundreds of pages instead of one a page (see GdipBeginOutputBatch).
#pragma once

#include <string>
#include <vector>

#include "gdipapi.h"

namespace orvelle {

class TGPOutputBatch {
public:
    struct Unnamed {
        std::string path;  // as the file was saved to
        gdip::GpStatus status;
    };

    TGPOutputBatch();
    ~TGPOutputBatch();  // settles what was not settled
    TGPOutputBatch(const TGPOutputBatch&) = delete;
    TGPOutputBatch& operator=(const TGPOutputBatch&) = delete;

    // Names the files saved since the batch opened, or since the last settle, and opens a
    // new batch; the files that could not be named.
    std::vector<Unnamed> settle();

private:
    bool m_open = false;
};

}  // namespace orvelle
