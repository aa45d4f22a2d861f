// The staged library bound the way the main program binds it: loaded from
// the run directory by path, every export resolved by name.
#include "vq_database.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <vector>

namespace {

class LoadedLibrary {
public:
    explicit LoadedLibrary(const char *path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedLibrary()
    {
        if (handle_)
            dlclose(handle_);
    }
    LoadedLibrary(const LoadedLibrary &) = delete;
    LoadedLibrary &operator=(const LoadedLibrary &) = delete;

    void *handle() const { return handle_; }

    template <class Function>
    Function resolve(const char *name) const
    {
        return reinterpret_cast<Function>(dlsym(handle_, name));
    }

private:
    void *handle_;
};

TEST(DatabaseLibraryBinding, StagedLibraryExportsTheCatalogueFunctionsByName)
{
    const LoadedLibrary library(VQ_DATABASE_LIBRARY);
    ASSERT_NE(library.handle(), nullptr) << dlerror();

    // The main program's binding order.
    for (const char *name : {"DB_Create", "DB_Destroy", "DB_FileOpen", "DB_GetPrmCntInGrp", "DB_GetAllParamCnt",
                             "DB_GetFrPrmAddrInGrp", "DB_GetParamAttr", "DB_GetPrvServoCnt", "DB_GetAllServoAttr",
                             "DB_SetMessageCallback"})
        EXPECT_NE(dlsym(library.handle(), name), nullptr) << name;

    // Only the exports are visible: the engine wrappers stay inside.
    EXPECT_EQ(dlsym(library.handle(), "_ZN2vq2db13reportMessageESt17basic_string_viewIcSt11char_traitsIcEE"), nullptr);
}

TEST(DatabaseLibraryBinding, BoundFunctionsAnswerFromTheStagedCatalogue)
{
    const LoadedLibrary library(VQ_DATABASE_LIBRARY);
    ASSERT_NE(library.handle(), nullptr) << dlerror();
    const auto create = library.resolve<DB_CreateFn>("DB_Create");
    const auto destroy = library.resolve<DB_DestroyFn>("DB_Destroy");
    const auto open = library.resolve<DB_FileOpenFn>("DB_FileOpen");
    const auto count = library.resolve<DB_GetPrmCntInGrpFn>("DB_GetPrmCntInGrp");
    const auto first = library.resolve<DB_GetFrPrmAddrInGrpFn>("DB_GetFrPrmAddrInGrp");
    const auto attributes = library.resolve<DB_GetParamAttrFn>("DB_GetParamAttr");
    const auto setCallback = library.resolve<DB_SetMessageCallbackFn>("DB_SetMessageCallback");
    ASSERT_TRUE(create && destroy && open && count && first && attributes && setCallback);

    std::vector<std::u16string> messages;
    setCallback([](const char16_t *text, void *sink) { static_cast<std::vector<std::u16string> *>(sink)->push_back(text); },
                &messages);
    ASSERT_TRUE(create());
    const std::string path = VQ_CATALOGUE_ENG;
    ASSERT_TRUE(open(CatalogueText(path.begin(), path.end())));
    const int speedCount = count(4);
    ASSERT_GT(speedCount, 0);
    std::vector<ParameterAttribute> speed(static_cast<std::size_t>(speedCount));
    EXPECT_TRUE(attributes(4, speed.data(), speedCount));
    EXPECT_EQ(first(4), speed.front().Param_Address);

    EXPECT_TRUE(open(u"/nonexistent/M9A_Tarvex-DATA_ENG.mdb"));
    EXPECT_EQ(messages.size(), 2u) << "the failed open is reported through the bound callback";
    EXPECT_TRUE(destroy());
    setCallback(nullptr, nullptr);
}

} // namespace
