#pragma once

#include "settings/regtree.h"

#include <filesystem>

// The per-user registry kept in a REGEDIT4-style text file.
class HiveFileRegistry final : public TreeRegistry {
public:
    explicit HiveFileRegistry(std::filesystem::path file);

    const std::filesystem::path& file() const { return m_file; }

protected:
    long transact(Access access, const std::function<long(RegTree&, bool&)>& op) override;

private:
    std::filesystem::path m_file;
};

// $XDG_CONFIG_HOME/Norvalde/Quorvil4/user.reg (XDG_CONFIG_HOME defaults to ~/.config).
std::filesystem::path defaultHivePath();
