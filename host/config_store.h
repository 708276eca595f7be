#pragma once
#include <filesystem>
#include <string>

#include "sdk/component.h"

// Keeps each component's configuration stream in a file of the user's
// configuration folder, named after the component's file.
class config_store {
public:
    config_store();
    explicit config_store(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // Hands the stored stream to the component; a damaged store is reported and
    // what could be read is kept.
    void restore(component_client& client, const std::string& component_file) const;
    void save(component_client& client, const std::string& component_file) const;

    std::filesystem::path file_for(const std::string& component_file) const { return folder_ / (component_file + ".cfg"); }

private:
    std::filesystem::path folder_;
};
