// Permissions: the files, folders and registry keys that the install configuration lists under
// GrantAllFilePermissions and GrantAllRegistryPermissions are created where missing and given an
// access list of one entry: the well-known group Everyone (S-1-1-0) with all rights, inherited by
// sub-folders and files. The install worker runs this before the product files are extracted, so
// folders made here pass the entry on to the files extracted into them.
//
// Traps:
// - The new list replaces the item's whole discretionary access list (owner, group and audit
//   settings stay).
// - A file entry is opened without truncating: an existing file keeps its content.
// - An invalid registry key path shows "Invalid Key '...'" and ends the registry list at once;
//   the caller ignores the result, but the message has set installFailed until the worker's own
//   final store.
// - Without the security functions (older systems) nothing at all is done, not even the creation
//   of the listed items.
#pragma once

namespace vorlax {

// Grants Everyone full access to every listed item (see above). False only after an invalid
// registry key path; true otherwise, also when nothing could be done.
bool GrantPermissions();

}  // namespace vorlax
