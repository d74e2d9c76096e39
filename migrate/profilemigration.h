#pragma once

namespace migration {

// Whether the earlier edition's site database is there to copy: its Site key names a
// folder and both file names, and both files exist.
bool oldSiteDataFound();

// Copies the earlier edition's site profiles (with each site's contents), then its server
// profiles, into the current site database. A name the current database already has is
// never overwritten. False when an item could not be read or written, or a database could
// not be opened; whatever was copied stays, and a later run copies only what is missing.
// earlierServerSettings is never offered and has no work of its own.
bool migrateProfiles(bool earlierServerSettings, bool siteAndServerSettings);

}  // namespace migration
