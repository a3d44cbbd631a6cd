// The library file read back as a client reads it: the embedded type library, the
// version block and the languages of both resources.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/com_values.h"
#include "plugin/tests/plugin_fixture.h"

namespace scandrel::plugin::tests {
namespace {

using ::testing::ElementsAre;

constexpr GUID kStdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class TypeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadTypeLibEx(pluginPath().c_str(), REGKIND_NONE, library.put()), S_OK); }

    ComApartment apartment;
    ComPtr<ITypeLib> library;
};

struct Attributes {
    TYPEKIND kind;
    WORD flags;
    WORD functions;
    WORD implemented;
    WORD vtableSize;
    WORD major;
    WORD minor;
    GUID guid;
};

Attributes attributesOf(ITypeInfo& info) {
    TYPEATTR* raw = nullptr;
    EXPECT_EQ(info.GetTypeAttr(&raw), S_OK);
    const Attributes attributes{raw->typekind,     raw->wTypeFlags,   raw->cFuncs, raw->cImplTypes,
                                raw->cbSizeVft,    raw->wMajorVerNum, raw->wMinorVerNum, raw->guid};
    info.ReleaseTypeAttr(raw);
    return attributes;
}

std::u16string nameOf(ITypeInfo& info) {
    Bstr name;
    info.GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    return name.text();
}

ComPtr<ITypeInfo> implemented(ITypeInfo& info, int index) {
    HREFTYPE reference = 0;
    EXPECT_EQ(info.GetRefTypeOfImplType(static_cast<UINT>(index), &reference), S_OK);
    ComPtr<ITypeInfo> result;
    EXPECT_EQ(info.GetRefTypeInfo(reference, result.put()), S_OK);
    return result;
}

// One function: how it is called, its names, and each parameter's type and flags.
struct Function {
    MEMBERID id;
    FUNCKIND kind;
    INVOKEKIND invoke;
    CALLCONV convention;
    SHORT optional;
    SHORT vtableOffset;
    WORD flags;
    VARTYPE result;
    std::vector<std::u16string> names;
    std::vector<std::pair<VARTYPE, USHORT>> parameters;  // type (VT_BYREF for a pointer), flags
};

std::vector<Function> functionsOf(ITypeInfo& info) {
    std::vector<Function> functions;
    for (UINT i = 0; i < attributesOf(info).functions; ++i) {
        FUNCDESC* raw = nullptr;
        EXPECT_EQ(info.GetFuncDesc(i, &raw), S_OK);
        Function function{raw->memid,     raw->funckind, raw->invkind, raw->callconv, raw->cParamsOpt,
                          raw->oVft,      raw->wFuncFlags, raw->elemdescFunc.tdesc.vt, {}, {}};
        BSTR names[8] = {};
        UINT count = 0;
        info.GetNames(raw->memid, names, 8, &count);
        for (UINT k = 0; k < count; ++k) function.names.push_back(Bstr::adopt(names[k]).text());
        for (SHORT p = 0; p < raw->cParams; ++p) {
            const ELEMDESC& parameter = raw->lprgelemdescParam[p];
            const bool reference = parameter.tdesc.vt == VT_PTR;
            function.parameters.emplace_back(reference ? VARTYPE(parameter.tdesc.lptdesc->vt | VT_BYREF)
                                                       : parameter.tdesc.vt,
                                             parameter.paramdesc.wParamFlags);
        }
        info.ReleaseFuncDesc(raw);
        functions.push_back(std::move(function));
    }
    return functions;
}

constexpr USHORT kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;

void expectOwnMethods(const Function& fire, const Function& move, FUNCKIND kind, VARTYPE result) {
    EXPECT_EQ(fire.id, 0x60030000);
    EXPECT_EQ(move.id, 0x60030001);
    for (const Function* function : {&fire, &move}) {
        EXPECT_EQ(function->kind, kind);
        EXPECT_EQ(function->invoke, INVOKE_FUNC);
        EXPECT_EQ(function->convention, CC_STDCALL);
        EXPECT_EQ(function->optional, 0);
        EXPECT_EQ(function->flags, 0);
        EXPECT_EQ(function->result, result);
    }
    EXPECT_EQ(fire.vtableOffset, 28);
    EXPECT_EQ(move.vtableOffset, 32);
    EXPECT_THAT(fire.names, ElementsAre(u"Fire", u"ClObj"));
    EXPECT_THAT(fire.parameters, ElementsAre(std::pair<VARTYPE, USHORT>(VT_DISPATCH | VT_BYREF, kInOut)));
    EXPECT_THAT(move.names, ElementsAre(u"Move", u"Left", u"Top", u"Width", u"Height", u"Move"));
    const std::pair<VARTYPE, USHORT> number(VT_I4 | VT_BYREF, kInOut);
    EXPECT_THAT(move.parameters,
                ElementsAre(number, number, number, number, std::pair<VARTYPE, USHORT>(VT_BOOL | VT_BYREF, kInOut)));
}

TEST_F(TypeLibraryTest, LibraryAttributesAndDocumentation) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, LIBID_Scandrel);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->lcid, 0u);
    EXPECT_EQ(attributes->syskind, SYS_WIN32);
    // The loader reports a library read from a file as having a disk image; no flag is stored.
    EXPECT_EQ(attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0);
    library->ReleaseTLibAttr(attributes);

    Bstr name, documentation, helpFile;
    DWORD helpContext = 99;
    ASSERT_EQ(library->GetDocumentation(-1, name.put(), documentation.put(), &helpContext, helpFile.put()), S_OK);
    EXPECT_EQ(name.text(), u"Scandrel");
    EXPECT_EQ(documentation.get(), nullptr);
    EXPECT_EQ(helpFile.get(), nullptr);
    EXPECT_EQ(helpContext, 0u);
    EXPECT_EQ(library->GetTypeInfoCount(), 2u);
}

TEST_F(TypeLibraryTest, TheDualInterfaceInBothForms) {
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(library->GetTypeInfo(0, dispatch.put()), S_OK);
    EXPECT_EQ(nameOf(*dispatch.get()), u"_Interface");
    const Attributes outer = attributesOf(*dispatch.get());
    EXPECT_EQ(outer.guid, IID__Interface);
    EXPECT_EQ(outer.kind, TKIND_DISPATCH);
    EXPECT_EQ(outer.major, 1);
    EXPECT_EQ(outer.minor, 0);
    // The loader keeps the automation flag for the interface form (it is stored, see below).
    EXPECT_EQ(outer.flags | TYPEFLAG_FOLEAUTOMATION, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                                         TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(outer.vtableSize, 28);
    EXPECT_EQ(outer.implemented, 1);
    const auto base = implemented(*dispatch.get(), 0);
    EXPECT_EQ(nameOf(*base.get()), u"IDispatch");
    ComPtr<ITypeLib> imported;
    UINT index = 0;
    ASSERT_EQ(base->GetContainingTypeLib(imported.put(), &index), S_OK);
    TLIBATTR* importedAttributes = nullptr;
    ASSERT_EQ(imported->GetLibAttr(&importedAttributes), S_OK);
    EXPECT_EQ(importedAttributes->guid, kStdOle);
    EXPECT_EQ(importedAttributes->wMajorVerNum, 2);
    EXPECT_EQ(importedAttributes->wMinorVerNum, 0);
    EXPECT_EQ(importedAttributes->lcid, 0u);
    imported->ReleaseTLibAttr(importedAttributes);

    // Dispatch form: the seven inherited operations, then Fire and Move.
    const auto functions = functionsOf(*dispatch.get());
    ASSERT_EQ(functions.size(), 9u);
    const char16_t* inherited[] = {u"QueryInterface", u"AddRef",      u"Release", u"GetTypeInfoCount",
                                   u"GetTypeInfo",    u"GetIDsOfNames", u"Invoke"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(functions[static_cast<size_t>(i)].names.at(0), inherited[i]);
    expectOwnMethods(functions[7], functions[8], FUNC_DISPATCH, VT_VOID);

    const auto vtable = implemented(*dispatch.get(), -1);
    const Attributes inner = attributesOf(*vtable.get());
    EXPECT_EQ(inner.kind, TKIND_INTERFACE);
    EXPECT_EQ(inner.guid, IID__Interface);
    EXPECT_EQ(inner.flags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                               TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(inner.vtableSize, 36);  // three IUnknown, four IDispatch, Fire, Move
    const auto own = functionsOf(*vtable.get());
    ASSERT_EQ(own.size(), 2u);
    expectOwnMethods(own[0], own[1], FUNC_PUREVIRTUAL, VT_HRESULT);
}

TEST_F(TypeLibraryTest, TheCreatableClass) {
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfo(1, coclass.put()), S_OK);
    EXPECT_EQ(nameOf(*coclass.get()), u"Interface");
    const Attributes attributes = attributesOf(*coclass.get());
    EXPECT_EQ(attributes.guid, CLSID_Interface);
    EXPECT_EQ(attributes.kind, TKIND_COCLASS);
    EXPECT_EQ(attributes.flags, TYPEFLAG_FCANCREATE);
    EXPECT_EQ(attributes.major, 1);
    EXPECT_EQ(attributes.minor, 0);
    ASSERT_EQ(attributes.implemented, 1);
    INT flags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(nameOf(*implemented(*coclass.get(), 0).get()), u"_Interface");
}

// The library file as data, for its raw resources.
class LibraryFile {
public:
    LibraryFile() : module_(LoadLibraryExW(pluginPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~LibraryFile() { FreeLibrary(module_); }
    LibraryFile(const LibraryFile&) = delete;
    LibraryFile& operator=(const LibraryFile&) = delete;

    std::vector<WORD> languages(const wchar_t* type, const wchar_t* name) const {
        std::vector<WORD> found;
        EnumResourceLanguagesW(module_, type, name, collect, reinterpret_cast<LONG_PTR>(&found));
        return found;
    }

    std::string resource(const wchar_t* type, const wchar_t* name) const {
        const HRSRC found = FindResourceW(module_, name, type);
        if (!found) return {};
        const HGLOBAL loaded = LoadResource(module_, found);
        return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module_, found));
    }

private:
    static BOOL CALLBACK collect(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
        reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
        return TRUE;
    }

    HMODULE module_;
};

TEST(LibraryResources, TheTypeLibraryIsLanguageNeutralAndTheVersionBlockUsEnglish) {
    const LibraryFile file;
    EXPECT_THAT(file.languages(L"TYPELIB", MAKEINTRESOURCEW(1)), ElementsAre(0));
    EXPECT_THAT(file.languages(MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1)), ElementsAre(0x0409));

    // The stored entry of the interface carries every flag its IDL declares, and the
    // library no flags of its own.
    const std::string library = file.resource(L"TYPELIB", MAKEINTRESOURCEW(1));
    ASSERT_GE(library.size(), 0x60u);
    ASSERT_EQ(library.substr(0, 4), "MSFT");
    const auto word = [&](size_t offset) {
        uint32_t value = 0;
        library.copy(reinterpret_cast<char*>(&value), 4, offset);
        return value;
    };
    EXPECT_EQ(word(0x1C), 0u);  // library flags
    const uint32_t count = word(0x20);
    ASSERT_EQ(count, 2u);
    const uint32_t table = word(0x54 + 4 * count);
    EXPECT_EQ(word(table) & 0xF, static_cast<uint32_t>(TKIND_DISPATCH));
    EXPECT_EQ(word(table + 0x30), 0x11D0u);
}

// One node of the version block: key, value type, value bytes and children.
struct VersionNode {
    std::u16string key;
    WORD type = 0;
    std::string value;
    std::vector<VersionNode> children;
};

VersionNode readNode(const char* data, size_t size) {
    const auto word = [&](size_t offset) {
        WORD value = 0;
        memcpy(&value, data + offset, 2);
        return value;
    };
    VersionNode node;
    const WORD length = word(0);
    const WORD valueLength = word(2);
    node.type = word(4);
    size_t offset = 6;
    while (offset + 2 <= length && word(offset) != 0) {
        node.key += static_cast<char16_t>(word(offset));
        offset += 2;
    }
    offset = (offset + 2 + 3) & ~size_t{3};
    const size_t valueBytes = node.type == 1 ? valueLength * 2u : valueLength;
    node.value.assign(data + offset, std::min<size_t>(valueBytes, size - offset));
    offset = (offset + valueBytes + 3) & ~size_t{3};
    while (offset < length) {
        const WORD childLength = word(offset);
        if (childLength == 0) break;
        node.children.push_back(readNode(data + offset, childLength));
        offset = (offset + childLength + 3) & ~size_t{3};
    }
    return node;
}

std::u16string textValue(const VersionNode& node) {
    std::u16string text(node.value.size() / 2, u'\0');
    memcpy(text.data(), node.value.data(), text.size() * 2);
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

TEST(LibraryResources, TheVersionBlockHoldsExactlyTheEntriesInOrder) {
    const std::wstring path = pluginPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
    EXPECT_EQ(fixed->dwFileDateMS, 0u);
    EXPECT_EQ(fixed->dwFileDateLS, 0u);

    // The raw block as stored, walked node by node.
    const VersionNode root = readNode(block.data(), block.size());
    EXPECT_EQ(root.key, u"VS_VERSION_INFO");
    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(strings.key, u"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    EXPECT_EQ(strings.children[0].key, u"040904B0");
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    for (const VersionNode& entry : strings.children[0].children) entries.emplace_back(entry.key, textValue(entry));
    EXPECT_THAT(entries, ElementsAre(std::pair<std::u16string, std::u16string>(u"ProductName", u"Scandrel"),
                                     std::pair<std::u16string, std::u16string>(u"FileVersion", u"1.00.0001"),
                                     std::pair<std::u16string, std::u16string>(u"ProductVersion", u"1.00.0001"),
                                     std::pair<std::u16string, std::u16string>(u"InternalName", u"Scandrel"),
                                     std::pair<std::u16string, std::u16string>(u"OriginalFilename", u"Scandrel.dll"),
                                     std::pair<std::u16string, std::u16string>(u"OLESelfRegister", u"")));

    const VersionNode& variables = root.children[1];
    EXPECT_EQ(variables.key, u"VarFileInfo");
    ASSERT_EQ(variables.children.size(), 1u);
    EXPECT_EQ(variables.children[0].key, u"Translation");
    EXPECT_EQ(variables.children[0].value, std::string("\x09\x04\xB0\x04", 4));
}

}  // namespace
}  // namespace scandrel::plugin::tests
