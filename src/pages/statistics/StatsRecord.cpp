#include "pages/statistics/StatsRecord.h"

#include <utility>

namespace x5k::statistics {

StatsFile::StatsFile(FileSystem& files, std::filesystem::path path)
    : files_(files), path_(std::move(path)) {}

FileError StatsFile::load() {
    const FileError read = files_.readInto(path_, record_.bytes());
    unreadable_ = read != FileError::None && read != FileError::NotFound;
    return read;
}

bool StatsFile::save() {
    lastSaveError_ = FileError::None;
    if (unreadable_) return false;
    lastSaveError_ = files_.replace(path_, record_.bytes()).error;
    return lastSaveError_ == FileError::None;
}

}  // namespace x5k::statistics
