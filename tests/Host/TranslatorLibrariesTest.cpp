// The translators of IGES and of the mesh formats are libraries of their own, loaded the first
// time a file of theirs is read or written. This executable links what the program links.

#include "Common/Core/LazyLibrary.h"
#include "Support/TestSupport.h"

#include "orvex/orvex.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using orvtest::TempDir;

const std::vector<std::string> kIges = {"libTKIGES.so.7", "libTKXDEIGES.so.7",
                                        "libOrvex.Host.Iges.so.0.1",
                                        "libOrvex.Interop.Kernel.Iges.so.0.1"};
const std::vector<std::string> kMesh = {"libTKSTL.so.7", "libTKRWMesh.so.7",
                                        "libOrvex.Host.Mesh.so.0.1",
                                        "libOrvex.Interop.Kernel.Mesh.so.0.1"};

// The libraries of `names` that this process has loaded.
std::vector<std::string> Loaded(const std::vector<std::string>& names)
{
    std::vector<std::string> loaded;
    for (const std::string& name : names) {
        if (void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            dlclose(handle);
            loaded.push_back(name);
        }
    }
    return loaded;
}

orvex::Model ReadOrFail(const std::string& path)
{
    const orvex::ReadResult read = orvex::Read(path);
    EXPECT_TRUE(read) << path << ": " << read.failure.Text();
    return read ? *read.model : orvex::Model();
}

TEST(TranslatorLibrariesTest, EachFormatsTranslatorIsLoadedWhenFirstUsedAndReadsAlikeAfter)
{
    const std::vector<std::string> none;
    ASSERT_EQ(Loaded(kIges), none) << "loaded at start";
    ASSERT_EQ(Loaded(kMesh), none) << "loaded at start";

    // STEP needs neither.
    const TempDir dir;
    const orvex::Model sample = ReadOrFail(orvtest::SamplePath());
    ASSERT_TRUE(orvex::Write(sample, dir.File("a.stp")).Ok());
    EXPECT_EQ(Loaded(kIges), none);
    EXPECT_EQ(Loaded(kMesh), none);

    // The write that loads the IGES translator, and the read after it; a second read in the
    // same process gives the same model as the first.
    ASSERT_TRUE(orvex::Write(sample, dir.File("a.igs")).Ok());
    EXPECT_EQ(Loaded(kIges), kIges);
    EXPECT_EQ(Loaded(kMesh), none);
    const orvex::Model first = ReadOrFail(dir.File("a.igs"));
    const orvex::Model second = ReadOrFail(dir.File("a.igs"));
    EXPECT_FALSE(first.Parts().empty());
    EXPECT_TRUE(orvex::Compare(first, second).Equal());

    // The OBJ writer and reader load the host's and the kernel's mesh libraries.
    ASSERT_TRUE(orvex::Write(sample, dir.File("a.obj")).Ok());
    EXPECT_EQ(Loaded(kMesh), std::vector<std::string>(kMesh.begin(), kMesh.begin() + 3));
    EXPECT_TRUE(orvex::Read(dir.File("a.obj")));
    EXPECT_EQ(Loaded(kMesh), kMesh);
}

TEST(TranslatorLibrariesTest, ALibraryThatCannotBeLoadedIsNamedWithTheLoadersWords)
{
    try {
        orvkit::LazyLibrary::Table("Orvex.Missing", "OrvexMissing");
        FAIL() << "no exception";
    } catch (const orvkit::LazyLibraryError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("cannot load Orvex.Missing: ", 0), 0u)
            << error.what();
        EXPECT_NE(std::string(error.what()).find("libOrvex.Missing.so.0.1"), std::string::npos)
            << error.what();
    }
    try {
        orvkit::LazyLibrary::Table("Orvex.Host.Iges", "OrvexNoSuchTable");
        FAIL() << "no exception";
    } catch (const orvkit::LazyLibraryError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("cannot use Orvex.Host.Iges: ", 0), 0u)
            << error.what();
    }
}

} // namespace
