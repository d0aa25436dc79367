#include "pdf_streams.h"

#include <qpdf/Buffer.hh>

#include <algorithm>

#include "../../image_limits.h"

namespace gdip::codecs::pdf {

void BoundedSink::write(unsigned char const* data, size_t len) {
    const size_t room = m_limit - m_out.size();
    m_out.append(reinterpret_cast<const char*>(data), std::min(len, room));
    if (len > room) m_overflowed = true;
}

bool pipeDecoded(Object stream, Pipeline& sink) {
    bool attempted = false;
    // A stream that cannot all be undone says so by the value returned and by what reached
    // the sink; qpdf's words for it would only repeat that.
    const bool ok = stream.pipeStreamData(&sink, &attempted, 0, qpdf_dl_generalized, true, false);
    return ok && attempted;
}

bool decodedData(Object stream, size_t limit, std::string& out) {
    out.clear();
    BoundedSink sink(out, limit);
    return pipeDecoded(stream, sink) && !sink.overflowed();
}

std::shared_ptr<const std::string> storedData(Object stream) {
    std::shared_ptr<Buffer> raw = stream.getRawStreamData();
    if (!raw || raw->getSize() == 0 || raw->getSize() > Limits::kMaxCodecAllocation) return nullptr;
    return std::make_shared<const std::string>(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
}

std::vector<Object> asList(Object object) {
    if (object.isArray()) return object.getArrayAsVector();
    if (object.isNull()) return {};
    return {object};
}

}  // namespace gdip::codecs::pdf
