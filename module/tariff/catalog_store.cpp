#include "module/tariff/catalog_store.h"

#include <sys/stat.h>

#include <utility>

#include "platform/paths.h"

namespace tariff {

bool CatalogStore::Signature::operator==(const Signature& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified_ns == other.modified_ns;
}

CatalogStore::CatalogStore(std::string path, std::chrono::milliseconds recheck)
    : path_(std::move(path)), recheck_(recheck) {}

std::shared_ptr<const Catalog> CatalogStore::Current() {
    std::lock_guard<std::mutex> guard(mutex_);
    auto now = std::chrono::steady_clock::now();
    if (now >= nextLook_) {
        nextLook_ = now + recheck_;
        Refresh();
    }
    return catalog_;
}

void CatalogStore::Refresh() {
    struct stat info;
    if (stat(path_.c_str(), &info) != 0) {
        catalog_.reset();
        signature_ = Signature();
        problem_.clear();
        return;
    }
    Signature now;
    now.device = info.st_dev;
    now.inode = info.st_ino;
    now.size = info.st_size;
    now.modified_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    if (catalog_ && now == signature_) return;
    std::string error;
    std::shared_ptr<const Catalog> opened = Catalog::Open(path_, &error);
    if (!opened) {
        problem_ = error;
        return;
    }
    catalog_ = std::move(opened);
    signature_ = now;
    problem_.clear();
}

std::string CatalogStore::Describe() {
    std::shared_ptr<const Catalog> catalog = Current();
    std::lock_guard<std::mutex> guard(mutex_);
    if (!catalog && problem_.empty()) {
        return "No tariff catalog <" + path_ + ">: tariff checks are off";
    }
    if (!catalog) {
        return "Tariff catalog <" + path_ + "> cannot be read (" + problem_ +
               "): tariff checks are off";
    }
    std::string types;
    for (const std::string& type : catalog->tariff_types()) {
        types += (types.empty() ? "" : ", ") + type;
    }
    return "Tariff catalog <" + path_ + ">: " + std::to_string(catalog->rows()) +
           " code versions of the tariff types " + (types.empty() ? "(none)" : types);
}

namespace {

std::mutex storeMutex;
std::shared_ptr<CatalogStore> store;

}  // namespace

std::string UseCatalogFile(const std::string& path) {
    std::string full = path.empty() ? "tariffs.sqlite" : path;
    if (full[0] != '/') full = platform::ExecutableDirectory() + full;
    auto made = std::make_shared<CatalogStore>(full, std::chrono::seconds(1));
    {
        std::lock_guard<std::mutex> guard(storeMutex);
        store = made;
    }
    return made->Describe();
}

void UseNoCatalog() {
    std::lock_guard<std::mutex> guard(storeMutex);
    store.reset();
}

std::shared_ptr<const Catalog> CurrentCatalog() {
    std::shared_ptr<CatalogStore> current;
    {
        std::lock_guard<std::mutex> guard(storeMutex);
        current = store;
    }
    return current ? current->Current() : nullptr;
}

}  // namespace tariff
