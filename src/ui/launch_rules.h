// The launch page's result: Done ends it with "launch" (6) when the check box is checked and
// with "do not launch" (7) otherwise.
#pragma once

namespace vorlax {

int LaunchPageResult(bool launchChecked);

}  // namespace vorlax
