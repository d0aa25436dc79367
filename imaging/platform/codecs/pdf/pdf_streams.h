// A PDF stream's data through qpdf, within bounds: its general-purpose filters undone into a
// sink that stops taking data once it has what it needs, or its stored bytes (JPEG or fax
// data) as they are in the file.
#pragma once

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace gdip::codecs::pdf {

using Object = QPDFObjectHandle;

// Keeps the first `limit` bytes piped into it and lets the rest go by, noting that there was
// more: qpdf has no way to stop a stream's filters, so a sink that has enough stops taking.
class BoundedSink final : public Pipeline {
public:
    BoundedSink(std::string& out, size_t limit) : Pipeline("bounded", nullptr), m_out(out), m_limit(limit) {}
    void write(unsigned char const* data, size_t len) override;
    void finish() override {}
    bool overflowed() const { return m_overflowed; }

private:
    std::string& m_out;
    size_t m_limit;
    bool m_overflowed = false;
};

// Pipes a stream's data decoded by its general-purpose filters (deflate, LZW, run length,
// ASCII) into `sink`. False when they cannot all be undone; what could be is in the sink.
bool pipeDecoded(Object stream, Pipeline& sink);

// The same data into `out`: true when it is all there and no longer than `limit`.
bool decodedData(Object stream, size_t limit, std::string& out);

// The stream's bytes as stored (a picture's JPEG or fax data); null when there are none or
// more than one decoded picture may take.
std::shared_ptr<const std::string> storedData(Object stream);

// A value that may be one object or an array of them (filters, their parameters, contents).
std::vector<Object> asList(Object object);

}  // namespace gdip::codecs::pdf
