// Registry values: the step of the install worker that writes the values the install
// configuration lists under Registry, then the product's entry in the system's list of
// uninstallable programs, and records both in the install log for the uninstaller.
//
// Log lines (CR LF each): TAB "<Registry>"; per entry with a non-empty key, before the key is
// even parsed, TAB TAB "<RegValue>", TAB TAB TAB "<Key>" key "</Key>", TAB TAB TAB "<Name>" name
// "</Name>", TAB TAB "</RegValue>"; TAB "</Registry>" unless the step stopped; then, when the
// uninstall entry is written, TAB "<UninstallDelRegKey>HKLM\" subkey "</UninstallDelRegKey>".
//
// Traps:
// - The step stops at the first entry with an invalid key path, a key that cannot be created or
//   a type number other than 0 to 2; the entries before it stay written and logged, the closing
//   "</Registry>" line is then missing, and that entry's key (when created) stays empty.
// - A binary value with bad pairs is reported once per bad pair and still written with the good
//   bytes; that alone does not stop the step.
// - The value data and the type are not logged.
#pragma once

namespace vorlax {

// Writes the values and the uninstall entry (see above). False after the first entry that
// stopped the step (its message shown), true otherwise.
bool WriteRegistryValues();

}  // namespace vorlax
