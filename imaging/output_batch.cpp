#include "output_batch.h"

namespace orvelle {

using namespace gdip;

TGPOutputBatch::TGPOutputBatch() : m_open(GdipBeginOutputBatch() == Ok) {}

TGPOutputBatch::~TGPOutputBatch() {
    std::vector<GpUnnamedOutput> unnamed;
    if (m_open) (void)GdipSettleOutputBatch(&unnamed);
}

std::vector<TGPOutputBatch::Unnamed> TGPOutputBatch::settle() {
    std::vector<Unnamed> result;
    if (!m_open) return result;
    std::vector<GpUnnamedOutput> unnamed;
    if (GdipSettleOutputBatch(&unnamed) == Ok)
        for (GpUnnamedOutput& output : unnamed) result.push_back({std::move(output.path), output.status});
    m_open = GdipBeginOutputBatch() == Ok;
    return result;
}

}  // namespace orvelle
