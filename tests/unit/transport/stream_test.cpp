// The gateway stream as its users see it: Stat, Read in pieces, Seek, the two
// text properties, and the trace entries of what it sends and reads.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "NvxWebSvc.h"
#include "base/common/com_ptr.h"
#include "scripted_gateway.h"
#include "test_support.h"

namespace {

using nvx::ComPtr;
using nvx::test::ComApartment;
using nvx::test::HttpResponse;
using nvx::test::ScriptedGateway;

const std::string kBody = "<Envelope>Gr\xc3\xbc\xc3\x9f"
                          "e</Envelope>";
const std::string kAnswer = HttpResponse(200, "text/xml", kBody);

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stream_ = nvx::test::CreateInProcess<INvxUBlockStream>(CLSID_NvxUBlockStream);
        ASSERT_TRUE(stream_);
    }

    void Send(const std::string& head, const std::string& payload)
    {
        ULONG written = 0;
        if (!head.empty()) {
            stream_->Write(head.data(), static_cast<ULONG>(head.size()), &written);
            stream_->Commit(999);
        }
        if (!payload.empty()) stream_->Write(payload.data(), static_cast<ULONG>(payload.size()), &written);
        stream_->Commit(0);
    }

    ULONGLONG StatSize(DWORD flags)
    {
        STATSTG stat{};
        stat.cbSize.QuadPart = 12345;
        EXPECT_HR(S_OK, stream_->Stat(&stat, flags));
        EXPECT_EQ(STGTY_STREAM, static_cast<int>(stat.type));
        EXPECT_EQ(nullptr, stat.pwcsName);
        return stat.cbSize.QuadPart;
    }

    std::string ReadAll(ULONG chunk)
    {
        std::string body;
        for (int guard = 0; guard < 1000; ++guard) {
            char buffer[64];
            ULONG read = 0xdead;
            EXPECT_HR(S_OK, stream_->Read(buffer, chunk, &read));
            if (read == 0) break;
            body.append(buffer, read);
        }
        return body;
    }

    ComApartment apartment_;
    ComPtr<INvxUBlockStream> stream_;
    ScriptedGateway gateway_{[](ScriptedGateway::Connection& connection, const ScriptedGateway::Request& request) {
        connection.Answer(request.id, request.service, kAnswer);
    }};
};

TEST_F(StreamTest, StatWithNoOpenDoesNotWait)
{
    Send("POST / HTTP/1.1\r\n", "<x/>");
    EXPECT_EQ(0u, StatSize(STATFLAG_NOOPEN)) << "nothing received yet";
    EXPECT_EQ(kBody.size(), StatSize(STATFLAG_DEFAULT)) << "waits for the answer";
    EXPECT_EQ(kBody.size(), StatSize(STATFLAG_NOOPEN));
    EXPECT_HR(E_POINTER, stream_->Stat(nullptr, STATFLAG_NOOPEN));
}

TEST_F(StreamTest, ReadsInPiecesThenNothingAndSeekRewinds)
{
    Send("POST / HTTP/1.1\r\n", "<x/>");
    StatSize(STATFLAG_NONAME);
    EXPECT_EQ(kBody, ReadAll(5));
    EXPECT_EQ("", ReadAll(5)) << "at the end: 0 bytes and S_OK";

    LARGE_INTEGER move{};
    ULARGE_INTEGER position{};
    EXPECT_HR(S_OK, stream_->Seek(move, STREAM_SEEK_SET, &position));
    EXPECT_EQ(0u, position.QuadPart);
    EXPECT_EQ(kBody, ReadAll(64));

    move.QuadPart = -3;
    EXPECT_HR(S_OK, stream_->Seek(move, STREAM_SEEK_END, &position));
    EXPECT_EQ(kBody.size() - 3, position.QuadPart);
    EXPECT_EQ(kBody.substr(kBody.size() - 3), ReadAll(64));

    move.QuadPart = 1000;
    EXPECT_HR(S_OK, stream_->Seek(move, STREAM_SEEK_SET, nullptr));
    EXPECT_EQ("", ReadAll(64)) << "a position beyond the body reads nothing";
    move.QuadPart = -1;
    EXPECT_HR(STG_E_INVALIDFUNCTION, stream_->Seek(move, STREAM_SEEK_SET, nullptr));
}

TEST_F(StreamTest, TextPropertiesReadTheBodyAndTheHead)
{
    Send("POST / HTTP/1.1\r\n", "<x/>");
    StatSize(STATFLAG_NONAME);
    BSTR body = nullptr;
    ASSERT_HR(S_OK, stream_->get_NXCommBuffer(&body));
    EXPECT_STREQ(L"<Envelope>Gr\x00fc\x00df"
                 L"e</Envelope>",
                 body)
        << "UTF-8, nothing after it";
    SysFreeString(body);

    BSTR whole = nullptr;
    ASSERT_HR(S_OK, stream_->get_NXCommBufferWithHTTPHeader(&whole));
    const std::wstring text(whole, SysStringLen(whole));
    EXPECT_EQ(0u, text.find(L"HTTP/1.1 200 "));
    EXPECT_NE(std::wstring::npos, text.find(L"\r\n\r\n<Envelope>"));
    SysFreeString(whole);
}

TEST_F(StreamTest, AnEmptyBodyLeavesTheCallersStringAlone)
{
    BSTR sentinel = SysAllocString(L"untouched");
    BSTR text = sentinel;
    EXPECT_HR(S_OK, stream_->get_NXCommBuffer(&text));
    EXPECT_EQ(sentinel, text);
    SysFreeString(sentinel);
}

TEST_F(StreamTest, UnsupportedMembers)
{
    IStream* clone = reinterpret_cast<IStream*>(0xdeadbeef);
    EXPECT_HR(E_POINTER, stream_->Clone(nullptr));
    EXPECT_HR(E_NOTIMPL, stream_->Clone(&clone));
    ULARGE_INTEGER size{};
    EXPECT_HR(E_NOTIMPL, stream_->SetSize(size));
    EXPECT_HR(E_NOTIMPL, stream_->Revert());
    EXPECT_HR(E_NOTIMPL, stream_->LockRegion(size, size, 0));
}

// Trace entries, read back from the trace file.
class TracedStreamTest : public StreamTest {
protected:
    void SetUp() override
    {
        StreamTest::SetUp();
        tracer_ = nvx::test::CreateInProcess<INvxTracer>(CLSID_ComWebSvc);
        ASSERT_TRUE(tracer_);
        char directory[MAX_PATH];
        GetTempPathA(MAX_PATH, directory);
        path_ = std::string(directory) + "nvx-stream-trace.log";
        BSTR path = SysAllocStringLen(nullptr, static_cast<UINT>(path_.size()));
        for (size_t i = 0; i < path_.size(); ++i) path[i] = static_cast<unsigned char>(path_[i]);
        tracer_->put_OutputFile(path);
        SysFreeString(path);
    }

    std::string Trace()
    {
        tracer_->put_OutputFile(nullptr);
        std::ifstream file(path_, std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }

    static std::string Entry(const char* marker, const char* label, const std::string& text)
    {
        return std::string(marker) + label + std::string(1, '\0') + ": " + text + std::string(1, '\0') + "\r\n";
    }

    static size_t Count(const std::string& haystack, const std::string& needle)
    {
        size_t count = 0;
        for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
        return count;
    }

    ComPtr<INvxTracer> tracer_;
    std::string path_;
};

TEST_F(TracedStreamTest, APostTracesHeadLengthAndPayloadInOrder)
{
    const std::string head = "POST /a HTTP/1.1\r\nHost: h\r\n";
    Send(head, "<x/>");
    StatSize(STATFLAG_NONAME);
    const std::string trace = Trace();
    const size_t header = trace.find(Entry("> ", "HTTP Header", head));
    const size_t length = trace.find(Entry("> ", "HTTP Content-Length", "Content-Length: 4\r\n"));
    const size_t payload = trace.find(Entry("> ", "HTTP Payload", "<x/>"));
    ASSERT_NE(std::string::npos, header) << trace;
    ASSERT_NE(std::string::npos, length) << trace;
    ASSERT_NE(std::string::npos, payload) << trace;
    EXPECT_LT(header, length);
    EXPECT_LT(length, payload);
}

TEST_F(TracedStreamTest, AGetTracesTheHeadAndAnEmptyPayload)
{
    const std::string head = "GET /a?wsdl HTTP/1.1\r\n";
    Send(head, "");
    StatSize(STATFLAG_NONAME);
    const std::string trace = Trace();
    EXPECT_NE(std::string::npos, trace.find(Entry("> ", "HTTP Header", head)));
    EXPECT_NE(std::string::npos, trace.find(Entry("> ", "HTTP Payload", "")));
    EXPECT_EQ(std::string::npos, trace.find("HTTP Content-Length"));
}

TEST_F(TracedStreamTest, APayloadWithoutAHeadTracesThePayloadOnly)
{
    Send("", "<x/>");
    StatSize(STATFLAG_NONAME);
    const std::string trace = Trace();
    EXPECT_NE(std::string::npos, trace.find(Entry("> ", "HTTP Payload", "<x/>")));
    EXPECT_EQ(std::string::npos, trace.find("HTTP Header"));
}

TEST_F(TracedStreamTest, EachReadTracesTheWholeBody)
{
    Send("POST / HTTP/1.1\r\n", "<x/>");
    StatSize(STATFLAG_NONAME);
    const ULONG third = static_cast<ULONG>((kBody.size() + 2) / 3);
    EXPECT_EQ(kBody, ReadAll(third));
    EXPECT_EQ(3u, Count(Trace(), Entry("< ", "Read()", kBody)));
}

}  // namespace
