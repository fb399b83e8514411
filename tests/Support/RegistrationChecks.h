#pragma once

// What the plugin's load-time step leaves in the host's registries. Header-only and written
// against the host alone, so that a process that loads the plugin with dlopen can check it.
#include "Data/App/CommandManager.h"
#include "Data/App/DocumentExchangerManager.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Graphics/SceneExchangeManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvtest {

inline void ExpectCompleteRegistrationTable()
{
    using namespace orvkit;
    const std::vector<std::string> expected{"ExportModel", "ExportAssemblyChildren", "Import",
                                            "AdvImport", "ImportAsPart"};
    EXPECT_EQ(CommandManager::Instance().GetNames(), expected);
    for (const auto& command : CommandManager::Instance().GetCommands()) {
        // The registry's reference and the one in this copy of its list are the only ones: the
        // module keeps none of its own.
        EXPECT_EQ(command.use_count(), 2) << command->GetName();
    }
    EXPECT_EQ(DocumentExchangerManager::Instance().GetKeys(), std::vector<std::string>{"XDE"});
    EXPECT_NE(ShapeExchangeManager::Instance().GetPostprocess(), nullptr);
    const auto readers = SceneExchangeManager::Instance().GetReaders();
    ASSERT_EQ(readers.size(), 1u);             // the host brings none of its own
    EXPECT_EQ(readers.front().use_count(), 2); // the registry's and this copy's
    EXPECT_NE(SceneExchangeManager::Instance().FindReader(".wrl"), nullptr);
}

} // namespace orvtest
