// Every page fills the page area beside the side bar, the tab row being hidden.
#pragma once

namespace orvelle {

constexpr int kPageWidth = 617;
constexpr int kPageHeight = 447;

}  // namespace orvelle
