#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>

#include "platform/last_error.h"
#include "platform/library.h"
#include "support/test_support.h"

using namespace qel::platform;

namespace {
const char* const kModule = QEL_TEST_MODULE_PATH;
using AddFn = int (*)(int, int);
using CallsFn = int (*)();
}  // namespace

TEST(Library, LoadsByFullPathAndFindsEntryPoints) {
    auto library = Library::load(kModule);
    ASSERT_NE(library, nullptr);
    const auto add = library->entry_point_as<AddFn>("QelTestModule_Add");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(library->entry_point_as<CallsFn>("QelTestModule_Calls")(), 1);

    set_last_error(ERROR_SUCCESS);
    EXPECT_EQ(library->entry_point("QelTestModule_Missing"), nullptr);
    EXPECT_EQ(last_error(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(library->entry_point(nullptr), nullptr);
}

TEST(Library, KeepsItsSymbolsLocalAndUnloadsWhenDestroyed) {
    {
        auto library = Library::load(kModule);
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(dlsym(RTLD_DEFAULT, "QelTestModule_Add"), nullptr);  // not in the global scope
        void* again = dlopen(kModule, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(again, nullptr);
        dlclose(again);
    }
    EXPECT_EQ(dlopen(kModule, RTLD_NOW | RTLD_NOLOAD), nullptr);
    // Loaded afresh, its state starts over.
    auto library = Library::load(kModule);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->entry_point_as<CallsFn>("QelTestModule_Calls")(), 0);
}

TEST(Library, MissingOrInvalidFilesAreModNotFound) {
    qel::test::TempDir dir;
    std::ofstream(dir.path() / "QelEventTraceWPP.dll") << "not a shared object";
    for (const std::filesystem::path& path :
         {dir.path() / "absent.so", dir.path() / "QelEventTraceWPP.dll", std::filesystem::path()}) {
        set_last_error(ERROR_SUCCESS);
        EXPECT_EQ(Library::load(path), nullptr) << path;
        EXPECT_EQ(last_error(), ERROR_MOD_NOT_FOUND);
    }
}

TEST(Library, ABareNameIsFoundInTheLoadersPlaces) {
    auto libc = Library::load("libc.so.6");
    ASSERT_NE(libc, nullptr);
    EXPECT_NE(libc->entry_point("strlen"), nullptr);
}
