// The plugin's load-time registration, in a process that links it.
#include "Support/RegistrationChecks.h"
#include "Support/TestSupport.h"

#include "Data/App/ElementCommand.h"
#include "RegisterInteropDataModule.h"

using namespace orvkit;
using namespace orvtest;

namespace {

TEST(RegistrationTest, LoadingRegistersEveryServiceOnceInOrder)
{
    ExpectCompleteRegistrationTable();
}

TEST(RegistrationTest, CallingTheRegistrationFunctionRegistersNothingMore)
{
    for (int i = 0; i < 3; ++i) {
        RegisterInteropDataModule();
    }
    ExpectCompleteRegistrationTable();
}

TEST(RegistrationTest, CommandsCarryTheirNamesCodesAndPaths)
{
    const auto import = CommandManager::Instance().Find("Import");
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(import->GetCode(), 16);
    EXPECT_EQ(import->GetPath(), "/Shape/Import");
    for (const char* name :
         {"ExportModel", "ExportAssemblyChildren", "AdvImport", "ImportAsPart"}) {
        const auto command = CommandManager::Instance().Find(name);
        ASSERT_NE(command, nullptr) << name;
        EXPECT_EQ(command->GetCode(), 0) << name;
        EXPECT_EQ(command->GetPath(), "") << name;
    }
    EXPECT_NE(dynamic_cast<ElementCommand*>(
                  CommandManager::Instance().Find("ExportAssemblyChildren").get()),
              nullptr);
}

} // namespace
