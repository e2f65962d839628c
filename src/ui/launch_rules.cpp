// The launch page's Done result from its check box.
#include "ui/launch_rules.h"

#include "ui/page_ids.h"

namespace vorlax {

int LaunchPageResult(bool launchChecked) { return launchChecked ? IDC_LAUNCH_YES : IDC_LAUNCH_NO; }

}  // namespace vorlax
