// A PDF file as qpdf reads it: by position, through a window of the file held in memory.
// qpdf seeks before nearly every read; through a stdio stream each seek is a system call,
// and copying a 200-page scan took twice the calls of reading it.
#pragma once

#include <qpdf/InputSource.hh>

#include <memory>
#include <string>
#include <vector>

#include "../file_handle.h"

namespace gdip::codecs::pdf {

// Reads the file open on `fd` (owned from now on); qpdf's errors come as exceptions, as its
// own sources throw them.
std::shared_ptr<InputSource> positionedInput(UniqueFd fd, const std::string& name);

}  // namespace gdip::codecs::pdf
