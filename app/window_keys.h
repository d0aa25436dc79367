// The window without a mouse: Ctrl+1 … Ctrl+4 show the four pages and F1 the help page;
// Ctrl+O opens a TIFF on the split page and adds pictures on the merge page; Ctrl+Q closes
// the window; on the merge list Delete removes the selected row and Ctrl+Up / Ctrl+Down move
// it; Enter on a tile or a merge row opens the viewer. During a job the input guard holds
// them off, as it does every other key but Escape.
#pragma once

namespace orvelle {

class TForm1;

void installWindowKeys(TForm1& window);

}  // namespace orvelle
