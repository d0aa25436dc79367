// The window without a mouse: Ctrl+1 … Ctrl+4 show the four pages and F1 the help page;
// Ctrl+O adds pictures on the merge page and opens a TIFF from anywhere else; Ctrl+Q closes
// the window; on the merge list Delete removes the selected row and Ctrl+Up / Ctrl+Down move
// it; Enter on a tile or a merge row opens the viewer, and presses any focused button but the
// two that run jobs (Space presses those). During a job the input guard holds
// them off, as it does every other key but Escape.
#pragma once

namespace orvelle {

class TForm1;

void installWindowKeys(TForm1& window);

}  // namespace orvelle
