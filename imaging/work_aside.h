// Work started beside the caller, on a free worker of the one pool of threads, or on the
// caller's thread when none is free (see platform/workers.h).
#pragma once

#include "platform/workers.h"

namespace orvelle {

using gdip::Asker;
using gdip::pagesAtOnce;
using gdip::startAside;
using gdip::WaitOnExit;

}  // namespace orvelle
