// The launch page's "View readme": the readme file in the temporary installer folder, opened by
// the shell with its registered program. The shell's answer is not examined: a missing file or
// an unregistered document type shows nothing.
#pragma once

namespace vorlax {

// ShellExecute "open" on tempDir + "\" + the configuration's ReadmeTitle (used as written), with
// no parameters and no directory.
void OpenReadme();

}  // namespace vorlax
