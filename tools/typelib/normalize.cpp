// Rewrites a widl-made type library into the exact shape our clients bind to.
//
// widl gets the contents right but not three details that clients see:
//  * the order of the type descriptions (it follows widl's walk of the IDL),
//  * help strings on enum constants (widl refuses the attribute there, so the
//    IDL carries them as custom data under kEnumHelpStringGuid),
//  * GUID, which widl defines inside our library instead of referring to
//    stdole2's description of it.
// The tool copies every description through ICreateTypeLib2 in the order given
// on the command line, turning that custom data into help strings and dropping
// all other custom data.
//
// usage: typelib-normalize <in.tlb> <out.tlb> <TypeName>...
// It runs at the bitness of the library it writes.

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// {5C3D2A10-0000-4000-8000-000000000001}: "help string of this enum constant".
const GUID kEnumHelpStringGuid = {0x5c3d2a10, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
const GUID kStdOleLibId = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr)) {
        char text[256];
        std::snprintf(text, sizeof text, "%s failed: 0x%08lx", what, static_cast<unsigned long>(hr));
        throw std::runtime_error(text);
    }
}

std::wstring Widen(const char* text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    return out;
}

struct BstrHolder {
    BSTR value = nullptr;
    ~BstrHolder() { SysFreeString(value); }
};

std::wstring NameOf(ITypeInfo* info)
{
    BstrHolder name;
    Check(info->GetDocumentation(MEMBERID_NIL, &name.value, nullptr, nullptr, nullptr), "GetDocumentation");
    return name.value ? name.value : L"";
}

// Owns the storage that translated TYPEDESCs point into.
class TypeDescArena {
public:
    TYPEDESC* NewTypeDesc() { return typeDescs_.emplace_back(std::make_unique<TYPEDESC>()).get(); }
    ARRAYDESC* NewArrayDesc(USHORT dims)
    {
        const size_t size = sizeof(ARRAYDESC) + dims * sizeof(SAFEARRAYBOUND);
        auto& block = blocks_.emplace_back(std::make_unique<unsigned char[]>(size));
        return reinterpret_cast<ARRAYDESC*>(block.get());
    }

private:
    std::vector<std::unique_ptr<TYPEDESC>> typeDescs_;
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
};

// What widl computed for the target platform: instance size, alignment and
// vtable size.
struct TypeLayout {
    ULONG sizeInstance = 0;
    WORD alignment = 0;
    WORD sizeVft = 0;
};

class Normalizer {
public:
    Normalizer(ITypeLib* source, ICreateTypeLib2* target) : source_(source), target_(target)
    {
        Check(LoadRegTypeLib(kStdOleLibId, 2, 0, 0, &stdole_), "LoadRegTypeLib(stdole2)");
    }

    void Run(const std::vector<std::wstring>& order)
    {
        CopyLibraryAttributes();
        for (const auto& name : order) CreateEntry(name);
        CheckEverythingListed(order);
        for (auto& entry : entries_) FillEntry(entry);
        for (int depth = 0; depth < 8; ++depth) {
            for (auto& entry : entries_)
                if (entry.depth == depth) Check(entry.created->LayOut(), "LayOut");
        }
        Check(target_->SaveAllChanges(), "SaveAllChanges");
    }

    std::vector<TypeLayout> Layouts() const
    {
        std::vector<TypeLayout> layouts;
        for (const auto& entry : entries_) layouts.push_back(entry.layout);
        return layouts;
    }

private:
    struct Entry {
        std::wstring name;
        ComPtr<ITypeInfo> source;  // for a dual interface: its vtable side
        ComPtr<ICreateTypeInfo2> created;
        int depth = 0;  // layout order: bases and records first
        TypeLayout layout;
    };

    void CopyLibraryAttributes()
    {
        TLIBATTR* attr = nullptr;
        Check(source_->GetLibAttr(&attr), "GetLibAttr");
        const TLIBATTR copy = *attr;
        source_->ReleaseTLibAttr(attr);

        BstrHolder name, doc;
        Check(source_->GetDocumentation(-1, &name.value, &doc.value, nullptr, nullptr), "GetDocumentation(lib)");
        Check(target_->SetName(name.value), "SetName");
        Check(target_->SetGuid(copy.guid), "SetGuid");
        Check(target_->SetVersion(copy.wMajorVerNum, copy.wMinorVerNum), "SetVersion");
        Check(target_->SetLcid(copy.lcid), "SetLcid");
        Check(target_->SetLibFlags(copy.wLibFlags), "SetLibFlags");
        if (doc.value) Check(target_->SetDocString(doc.value), "SetDocString");
    }

    ComPtr<ITypeInfo> FindSource(const std::wstring& name)
    {
        const UINT count = source_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> info;
            Check(source_->GetTypeInfo(i, &info), "GetTypeInfo");
            if (NameOf(info.Get()) == name) return info;
        }
        throw std::runtime_error("type not found in the input library");
    }

    static ComPtr<ITypeInfo> VtableSide(ITypeInfo* info)
    {
        TYPEATTR* attr = nullptr;
        Check(info->GetTypeAttr(&attr), "GetTypeAttr");
        const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
        info->ReleaseTypeAttr(attr);
        if (!dual) return info;
        HREFTYPE href = 0;
        Check(info->GetRefTypeOfImplType(-1, &href), "GetRefTypeOfImplType(-1)");
        ComPtr<ITypeInfo> vtable;
        Check(info->GetRefTypeInfo(href, &vtable), "GetRefTypeInfo(dual)");
        return vtable;
    }

    void CreateEntry(const std::wstring& name)
    {
        Entry entry;
        entry.name = name;
        entry.source = VtableSide(FindSource(name).Get());
        TYPEATTR* attr = nullptr;
        Check(entry.source->GetTypeAttr(&attr), "GetTypeAttr");
        const TYPEKIND kind = attr->typekind;
        entry.layout = {attr->cbSizeInstance, attr->cbAlignment, attr->cbSizeVft};
        entry.source->ReleaseTypeAttr(attr);

        ComPtr<ICreateTypeInfo> created;
        Check(target_->CreateTypeInfo(const_cast<LPOLESTR>(name.c_str()), kind, &created), "CreateTypeInfo");
        Check(created.As(&entry.created), "QueryInterface(ICreateTypeInfo2)");
        entries_.push_back(std::move(entry));
    }

    // Every description widl made must be placed by the order list, except
    // the ones we deliberately take from stdole2.
    void CheckEverythingListed(const std::vector<std::wstring>& order)
    {
        const UINT count = source_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> info;
            Check(source_->GetTypeInfo(i, &info), "GetTypeInfo");
            const std::wstring name = NameOf(info.Get());
            bool listed = IsTakenFromStdOle(name);
            for (const auto& wanted : order) listed = listed || wanted == name;
            if (!listed) throw std::runtime_error("the order list misses a type of the input library");
        }
    }

    static bool IsTakenFromStdOle(const std::wstring& name)
    {
        return name == L"GUID" || name.rfind(L"__WIDL_", 0) == 0;
    }

    Entry* FindEntry(const std::wstring& name)
    {
        for (auto& entry : entries_)
            if (entry.name == name) return &entry;
        return nullptr;
    }

    // Maps a type referenced by the input library to a reference in the output.
    HREFTYPE MapReference(ITypeInfo* from, HREFTYPE sourceRef, ICreateTypeInfo2* into, int* depth)
    {
        ComPtr<ITypeInfo> referenced;
        Check(from->GetRefTypeInfo(sourceRef, &referenced), "GetRefTypeInfo");
        ComPtr<ITypeLib> owner;
        UINT index = 0;
        Check(referenced->GetContainingTypeLib(&owner, &index), "GetContainingTypeLib");

        ComPtr<ITypeInfo> target = referenced;
        if (owner.Get() == source_) {
            const std::wstring name = NameOf(referenced.Get());
            if (IsTakenFromStdOle(name)) {
                target = StdOleGuid();
            } else {
                Entry* entry = FindEntry(name);
                if (!entry) throw std::runtime_error("reference to an unlisted type");
                target.Reset();
                Check(entry->created.As(&target), "QueryInterface(ITypeInfo)");
                if (depth && entry->depth + 1 > *depth) *depth = entry->depth + 1;
            }
        }
        HREFTYPE mapped = 0;
        Check(into->AddRefTypeInfo(target.Get(), &mapped), "AddRefTypeInfo");
        return mapped;
    }

    // widl's own GUID record is replaced by stdole2's, found by name there.
    ComPtr<ITypeInfo> StdOleGuid()
    {
        wchar_t name[] = L"GUID";
        ITypeInfo* infos[1] = {};
        MEMBERID member = 0;
        USHORT found = 1;
        Check(stdole_->FindName(name, 0, infos, &member, &found), "FindName(GUID)");
        if (found == 0 || !infos[0]) throw std::runtime_error("stdole2 has no GUID");
        ComPtr<ITypeInfo> info;
        info.Attach(infos[0]);
        return info;
    }

    // `out` may be `in` itself.
    void TranslateTypeDesc(const TYPEDESC& source, TYPEDESC* out, Entry& entry, TypeDescArena& arena)
    {
        const TYPEDESC in = source;
        *out = in;
        switch (in.vt) {
        case VT_PTR:
        case VT_SAFEARRAY:
            out->lptdesc = arena.NewTypeDesc();
            TranslateTypeDesc(*in.lptdesc, out->lptdesc, entry, arena);
            break;
        case VT_CARRAY: {
            const USHORT dims = in.lpadesc->cDims;
            out->lpadesc = arena.NewArrayDesc(dims);
            out->lpadesc->cDims = dims;
            for (USHORT i = 0; i < dims; ++i) out->lpadesc->rgbounds[i] = in.lpadesc->rgbounds[i];
            TranslateTypeDesc(in.lpadesc->tdescElem, &out->lpadesc->tdescElem, entry, arena);
            break;
        }
        case VT_USERDEFINED:
            out->hreftype = MapReference(entry.source.Get(), in.hreftype, entry.created.Get(), &entry.depth);
            break;
        default: break;
        }
    }

    void FillEntry(Entry& entry)
    {
        TYPEATTR* attr = nullptr;
        Check(entry.source->GetTypeAttr(&attr), "GetTypeAttr");
        const TYPEATTR copy = *attr;
        entry.source->ReleaseTypeAttr(attr);

        ICreateTypeInfo2* created = entry.created.Get();
        if (copy.guid != GUID_NULL) Check(created->SetGuid(copy.guid), "SetGuid");
        BstrHolder doc;
        Check(entry.source->GetDocumentation(MEMBERID_NIL, nullptr, &doc.value, nullptr, nullptr), "GetDocumentation");
        if (doc.value) Check(created->SetDocString(doc.value), "SetDocString");
        if (copy.typekind == TKIND_RECORD || copy.typekind == TKIND_UNION)
            Check(created->SetAlignment(copy.cbAlignment), "SetAlignment");

        CopyImplTypes(entry, copy.cImplTypes);
        // Flags go after the base interface is known: a dual flag needs it.
        Check(created->SetTypeFlags(copy.wTypeFlags), "SetTypeFlags");
        for (UINT i = 0; i < copy.cFuncs; ++i) CopyFunction(entry, i);
        for (UINT i = 0; i < copy.cVars; ++i) CopyVariable(entry, i);
    }

    void CopyImplTypes(Entry& entry, UINT count)
    {
        for (UINT i = 0; i < count; ++i) {
            HREFTYPE sourceRef = 0;
            Check(entry.source->GetRefTypeOfImplType(i, &sourceRef), "GetRefTypeOfImplType");
            const HREFTYPE mapped = MapReference(entry.source.Get(), sourceRef, entry.created.Get(), &entry.depth);
            Check(entry.created->AddImplType(i, mapped), "AddImplType");
            INT flags = 0;
            Check(entry.source->GetImplTypeFlags(i, &flags), "GetImplTypeFlags");
            if (flags) Check(entry.created->SetImplTypeFlags(i, flags), "SetImplTypeFlags");
        }
    }

    void CopyFunction(Entry& entry, UINT index)
    {
        FUNCDESC* func = nullptr;
        Check(entry.source->GetFuncDesc(index, &func), "GetFuncDesc");
        std::unique_ptr<FUNCDESC, std::function<void(FUNCDESC*)>> release(
            func, [&](FUNCDESC* f) { entry.source->ReleaseFuncDesc(f); });

        TypeDescArena arena;
        FUNCDESC out = *func;
        std::vector<ELEMDESC> params(func->lprgelemdescParam, func->lprgelemdescParam + func->cParams);
        for (auto& param : params) TranslateTypeDesc(param.tdesc, &param.tdesc, entry, arena);
        out.lprgelemdescParam = params.empty() ? nullptr : params.data();
        TranslateTypeDesc(func->elemdescFunc.tdesc, &out.elemdescFunc.tdesc, entry, arena);
        out.lprgscode = nullptr;
        out.cScodes = 0;
        Check(entry.created->AddFuncDesc(index, &out), "AddFuncDesc");

        BSTR names[64] = {};
        UINT count = 0;
        Check(entry.source->GetNames(func->memid, names, 64, &count), "GetNames");
        // GetNames finds a property's names by DISPID; a put shares it with the
        // get, so only as many names as this function's own parameters apply.
        const UINT wanted =
            func->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF) ? func->cParams : func->cParams + 1;
        const UINT used = count < wanted ? count : wanted;
        const HRESULT named = entry.created->SetFuncAndParamNames(index, names, used);
        for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
        Check(named, "SetFuncAndParamNames");

        BstrHolder doc;
        Check(entry.source->GetDocumentation(func->memid, nullptr, &doc.value, nullptr, nullptr),
              "GetDocumentation(func)");
        if (doc.value) Check(entry.created->SetFuncDocString(index, doc.value), "SetFuncDocString");
    }

    void CopyVariable(Entry& entry, UINT index)
    {
        VARDESC* var = nullptr;
        Check(entry.source->GetVarDesc(index, &var), "GetVarDesc");
        std::unique_ptr<VARDESC, std::function<void(VARDESC*)>> release(
            var, [&](VARDESC* v) { entry.source->ReleaseVarDesc(v); });

        TypeDescArena arena;
        VARDESC out = *var;
        TranslateTypeDesc(var->elemdescVar.tdesc, &out.elemdescVar.tdesc, entry, arena);
        Check(entry.created->AddVarDesc(index, &out), "AddVarDesc");

        BstrHolder name;
        UINT count = 0;
        Check(entry.source->GetNames(var->memid, &name.value, 1, &count), "GetNames(var)");
        Check(entry.created->SetVarName(index, name.value), "SetVarName");

        BstrHolder doc;
        entry.source->GetDocumentation(var->memid, nullptr, &doc.value, nullptr, nullptr);
        if (doc.value) {
            Check(entry.created->SetVarDocString(index, doc.value), "SetVarDocString");
            return;
        }
        ComPtr<ITypeInfo2> source2;
        if (FAILED(entry.source.As(&source2))) return;
        VARIANT help;
        VariantInit(&help);
        if (SUCCEEDED(source2->GetVarCustData(index, kEnumHelpStringGuid, &help)) && help.vt == VT_BSTR)
            Check(entry.created->SetVarDocString(index, help.bstrVal), "SetVarDocString(custom)");
        VariantClear(&help);
    }

    ITypeLib* source_;
    ICreateTypeLib2* target_;
    ComPtr<ITypeLib> stdole_;
    std::vector<Entry> entries_;
};

// The type library writer of the platform leaves the instance size of records
// at 0 and gives enums the size of a pointer. The description base records of
// the saved file are patched with what widl computed for the target.
void PatchLayouts(const std::wstring& path, const std::vector<TypeLayout>& layouts)
{
    FILE* file = _wfopen(path.c_str(), L"r+b");
    if (!file) throw std::runtime_error("cannot reopen the output library");
    std::unique_ptr<FILE, int (*)(FILE*)> closer(file, std::fclose);

    auto readInt = [&](long offset) {
        int32_t value = 0;
        if (std::fseek(file, offset, SEEK_SET) != 0 || std::fread(&value, 4, 1, file) != 1)
            throw std::runtime_error("truncated output library");
        return value;
    };
    auto writeInt = [&](long offset, int32_t value) {
        if (std::fseek(file, offset, SEEK_SET) != 0 || std::fwrite(&value, 4, 1, file) != 1)
            throw std::runtime_error("cannot patch the output library");
    };

    constexpr long kHeaderSize = 0x54, kVarFlags = 0x14, kTypeInfoCount = 0x20;
    constexpr long kBaseSize = 0x64, kBaseKind = 0x00, kBaseImplTypes = 0x4C, kBaseInstanceSize = 0x50;
    constexpr int32_t kHasHelpDll = 0x100;
    if (readInt(0) != 0x5446534D) throw std::runtime_error("output is not an MSFT type library");
    const int32_t count = readInt(kTypeInfoCount);
    if (count != static_cast<int32_t>(layouts.size())) throw std::runtime_error("unexpected type count");
    const long offsetsAt = kHeaderSize + ((readInt(kVarFlags) & kHasHelpDll) ? 4 : 0);
    const long segmentDirectory = offsetsAt + 4L * count;
    const long typeInfoSegment = readInt(segmentDirectory);  // first directory entry: its offset

    for (int32_t i = 0; i < count; ++i) {
        const long base = typeInfoSegment + i * kBaseSize;
        const WORD align = layouts[i].alignment;
        const int32_t kind = readInt(base + kBaseKind) & ~((0x1F << 11) | (0x1F << 6));
        writeInt(base + kBaseKind, kind | (align << 11) | (align << 6));
        writeInt(base + kBaseInstanceSize, static_cast<int32_t>(layouts[i].sizeInstance));
        const int32_t implTypes = readInt(base + kBaseImplTypes) & 0xFFFF;
        writeInt(base + kBaseImplTypes, implTypes | (layouts[i].sizeVft << 16));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <in.tlb> <out.tlb> <TypeName>...\n", argv[0]);
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int status = 0;
    try {
        ComPtr<ITypeLib> source;
        Check(LoadTypeLibEx(Widen(argv[1]).c_str(), REGKIND_NONE, &source), "LoadTypeLibEx");
        TLIBATTR* attr = nullptr;
        Check(source->GetLibAttr(&attr), "GetLibAttr");
        const SYSKIND syskind = attr->syskind;
        source->ReleaseTLibAttr(attr);
        // The writer places every function at a vtable offset counted in this
        // process's pointers, which must be the library's.
        if ((syskind == SYS_WIN64) != (sizeof(void*) == 8))
            throw std::runtime_error("the library is for another bitness than this normalizer");

        const std::wstring outPath = Widen(argv[2]);
        DeleteFileW(outPath.c_str());
        ComPtr<ICreateTypeLib2> target;
        Check(CreateTypeLib2(syskind, outPath.c_str(), &target), "CreateTypeLib2");

        std::vector<std::wstring> order;
        for (int i = 3; i < argc; ++i) order.push_back(Widen(argv[i]));
        Normalizer normalizer(source.Get(), target.Get());
        normalizer.Run(order);
        target.Reset();
        PatchLayouts(outPath, normalizer.Layouts());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "typelib-normalize: %s\n", failure.what());
        status = 1;
    }
    CoUninitialize();
    return status;
}
