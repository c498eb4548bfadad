// A FileChooser fake: answers file dialogs from a queue and records what they showed.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "program/file_commands.h"

namespace velmora::testing {

class ScriptedChooser final : public program::FileChooser {
public:
    std::deque<std::string> paths;  ///< answers; a cancelled dialog when empty
    int filterToChoose = 0;         ///< when > 0, the filter the user picks
    int choiceToMake = -1;          ///< when >= 0, the item of the dialog's choice the user picks
    std::vector<program::FileDialogSpec> shown;
    std::string Choose(program::FileDialogSpec& spec) override {
        shown.push_back(spec);
        if (filterToChoose > 0) spec.filterIndex = filterToChoose;
        if (choiceToMake >= 0) spec.choiceIndex = choiceToMake;
        if (paths.empty()) return {};
        std::string p = paths.front();
        paths.pop_front();
        return p;
    }
};

}  // namespace velmora::testing
