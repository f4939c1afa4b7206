#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "module/tariff/tariff_catalog.h"

namespace tariff {

// The catalog file at one path, reopened when the file changes.
//
// Current() looks at the file (stat: device, inode, size, modification
// time) at most once per `recheck`; a changed file is opened anew, a file
// that is gone means no catalog. A file that cannot be opened as a catalog
// leaves the catalog as it was, and is tried again at the next look.
// Catalogs handed out stay usable after a reload (shared ownership).
// Thread-safe.
class CatalogStore {
  public:
    CatalogStore(std::string path, std::chrono::milliseconds recheck);

    // The catalog as the file holds it, or null when there is none.
    std::shared_ptr<const Catalog> Current();

    // One line on the catalog for the log: its path, its tariff types and
    // rows, or why there is none.
    std::string Describe();

  private:
    // What stat tells of the file; all zero when there is none.
    struct Signature {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        int64_t modified_ns = 0;
        bool operator==(const Signature& other) const;
    };

    // Looks at the file and reopens it when it changed. REQUIRES: mutex_ held.
    void Refresh();

    const std::string path_;
    const std::chrono::milliseconds recheck_;
    std::mutex mutex_;
    std::chrono::steady_clock::time_point nextLook_;
    Signature signature_;  // of the file catalog_ was opened from
    std::shared_ptr<const Catalog> catalog_;
    std::string problem_;  // why the file last failed to open, or ""
};

// The module's catalog, shared by every manager and request.
//
// Makes the module check records against the catalog file at `path`: an
// absolute path, or one relative to the executable's folder; empty means
// "tariffs.sqlite" there. The file is looked at again at most once a
// second. Returns one line for the service's log, saying what was found.
std::string UseCatalogFile(const std::string& path);

// No catalog: no tariff checks (the state at start).
void UseNoCatalog();

// The module's current catalog, or null.
std::shared_ptr<const Catalog> CurrentCatalog();

}  // namespace tariff
