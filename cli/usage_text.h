// What `orvelle-cli --help` says, in the user's language like every other text.
#pragma once

#include "jobs/texts.h"

namespace orvelle::cli {

const char* usageText(Language language);

}  // namespace orvelle::cli
