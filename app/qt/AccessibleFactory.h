#pragma once

namespace ata {

// Makes the window and its drawn controls known to screen readers: installs the factory of
// their accessible interfaces (once per process; installing again changes nothing).
void InstallAccessibleControls();

} // namespace ata
