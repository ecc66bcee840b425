#pragma once

#include "settings/regtree.h"

#include <cstdint>
#include <filesystem>

// The per-user registry kept in a REGEDIT4 text file. Every call reads the file afresh under a
// shared lock on "<file>.lock"; every change rewrites it whole under an exclusive lock, through
// a flushed temporary file renamed over it. A file holding lines that a rewrite would drop is
// first kept beside it as "<file>.bak-<UTC time>".
class HiveFileRegistry final : public TreeRegistry {
public:
    explicit HiveFileRegistry(std::filesystem::path file);

    const std::filesystem::path& file() const { return m_file; }

    // A larger file is not read (calls fail) and a change that would make it larger fails.
    static constexpr std::uintmax_t MaxFileSize = 4 << 20;

protected:
    long transact(Access access, const std::function<long(RegTree&, bool&)>& op) override;

private:
    std::filesystem::path m_file;
};

// $XDG_CONFIG_HOME/Norvalde/Quorvil4/user.reg (XDG_CONFIG_HOME defaults to ~/.config).
std::filesystem::path defaultHivePath();
