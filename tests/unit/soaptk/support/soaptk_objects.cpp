#include "soaptk_objects.h"

#include "base/common/bstr.h"

namespace nvx::test {

ComPtr<IStream> NewMemoryStream(std::string_view content)
{
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    if (!stream) return stream;
    ULONG written = 0;
    if (!content.empty()) {
        EXPECT_EQ(stream->Write(content.data(), static_cast<ULONG>(content.size()), &written), S_OK);
    }
    stream->Seek({}, STREAM_SEEK_SET, nullptr);
    return stream;
}

ULONGLONG StreamSize(IStream* stream)
{
    STATSTG state{};
    EXPECT_EQ(stream->Stat(&state, STATFLAG_NONAME), S_OK);
    return state.cbSize.QuadPart;
}

std::string StreamContent(IStream* stream)
{
    std::string content(static_cast<size_t>(StreamSize(stream)), '\0');
    stream->Seek({}, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (!content.empty()) {
        EXPECT_EQ(stream->Read(content.data(), static_cast<ULONG>(content.size()), &read), S_OK);
    }
    content.resize(read);
    stream->Seek({}, STREAM_SEEK_SET, nullptr);
    return content;
}

UnknownVariant::UnknownVariant(IUnknown* object)
{
    value_->vt = VT_UNKNOWN;
    value_->punkVal = object;
    if (object) object->AddRef();
}

std::wstring NodeText(IDispatch* node)
{
    if (!node) return L"(null)";
    ComPtr<IXMLDOMNode> domNode;
    if (FAILED(node->QueryInterface(IID_PPV_ARGS(&domNode)))) return L"(not a node)";
    Bstr text;
    EXPECT_EQ(domNode->get_text(text.Put()), S_OK);
    return std::wstring(text.View());
}

}  // namespace nvx::test
