// The folder chooser behind the import button: the shell's browse-for-folder dialog.
#pragma once

#include <string>

namespace app {

// Shows the dialog (no owner, no prompt, file-system folders only) and returns the chosen
// folder's path, or the empty string when the user cancels or picks an item that is no
// file-system folder. A drive root keeps its trailing separator. Needs COM on this thread.
std::wstring ChooseFolder();

}  // namespace app
