#include "failure_reason.h"

namespace gdip::codecs {
namespace {

thread_local std::string t_reason;

}  // namespace

void clearFailureReason() { t_reason.clear(); }

void noteFailureReason(const std::string& reason) {
    if (t_reason.empty()) t_reason = reason;
}

const std::string& failureReason() { return t_reason; }

}  // namespace gdip::codecs
