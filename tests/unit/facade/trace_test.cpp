// The trace log's file bytes: marks, entries, and when a trace ends.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "NvxWebSvc.h"
#include "src/trace/trace_log.h"
#include "test_support.h"

namespace {

using nvx::test::ComApartment;

std::string TempPath(const char* name)
{
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

const char kTime[] = "[0-2][0-9]:[0-5][0-9]:[0-5][0-9] ";

// The library's own trace, driven through callers.
class CallerTraceTest : public ::testing::Test {
protected:
    IComWebSvc* NewCaller()
    {
        IComWebSvc* caller = nullptr;
        EXPECT_HR(S_OK, CoCreateInstance(CLSID_ComWebSvc, nullptr, CLSCTX_INPROC_SERVER, IID_IComWebSvc,
                                         reinterpret_cast<void**>(&caller)));
        return caller;
    }

    static INvxTracer* TracerOf(IComWebSvc* caller)
    {
        INvxTracer* tracer = nullptr;
        caller->QueryInterface(IID_INvxTracer, reinterpret_cast<void**>(&tracer));
        return tracer;
    }

    static HRESULT SetOutputFile(INvxTracer* tracer, const std::string& path)
    {
        BSTR value = SysAllocStringLen(nullptr, static_cast<UINT>(path.size()));
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), value,
                            static_cast<int>(path.size()));
        const HRESULT hr = tracer->put_OutputFile(value);
        SysFreeString(value);
        return hr;
    }

    static std::string OutputFile(INvxTracer* tracer)
    {
        BSTR value = nullptr;
        tracer->get_OutputFile(&value);
        std::string text;
        for (UINT i = 0; value && i < SysStringLen(value); ++i) text.push_back(static_cast<char>(value[i]));
        SysFreeString(value);
        return text;
    }

    ComApartment apartment_;
};

TEST_F(CallerTraceTest, StartAndStopMarksOnOneLine)
{
    IComWebSvc* caller = NewCaller();
    INvxTracer* tracer = TracerOf(caller);
    const std::string path = TempPath("nvx-trace-marks.log");
    EXPECT_HR(S_OK, SetOutputFile(tracer, path));
    EXPECT_EQ(path, OutputFile(tracer));
    EXPECT_HR(S_OK, tracer->put_OutputFile(nullptr));
    const std::regex marks(std::string("^") + kTime + "Starting Trace\\.\\.\\." + kTime + "Terminating Trace\\.$");
    EXPECT_TRUE(std::regex_match(FileBytes(path), marks)) << FileBytes(path);
    EXPECT_EQ(path, OutputFile(tracer)) << "stopping keeps the path";
    tracer->Release();
    caller->Release();
}

TEST_F(CallerTraceTest, SecondTraceEndsTheFirst)
{
    IComWebSvc* caller = NewCaller();
    INvxTracer* tracer = TracerOf(caller);
    const std::string first = TempPath("nvx-trace-first.log");
    const std::string second = TempPath("nvx-trace-second.log");
    SetOutputFile(tracer, first);
    SetOutputFile(tracer, second);
    EXPECT_NE(std::string::npos, FileBytes(first).find("Terminating Trace."));
    EXPECT_EQ(std::string::npos, FileBytes(second).find("Terminating Trace."));
    EXPECT_NE(std::string::npos, FileBytes(second).find("Starting Trace..."));
    tracer->put_OutputFile(nullptr);
    tracer->Release();
    caller->Release();
}

TEST_F(CallerTraceTest, PathOf260BytesIsAcceptedAnd261IsNot)
{
    IComWebSvc* caller = NewCaller();
    INvxTracer* tracer = TracerOf(caller);
    const std::string running = TempPath("nvx-trace-running.log");
    SetOutputFile(tracer, running);

    const std::string accepted = "C:\\" + std::string(257, 'a');
    ASSERT_EQ(260u, accepted.size());
    SetOutputFile(tracer, accepted);
    EXPECT_EQ(accepted, OutputFile(tracer));
    EXPECT_NE(std::string::npos, FileBytes(running).find("Terminating Trace.")) << "any start ends the running trace";

    SetOutputFile(tracer, running);
    const std::string refused = accepted + "b";
    EXPECT_HR(S_OK, SetOutputFile(tracer, refused));
    EXPECT_EQ(running, OutputFile(tracer)) << "a 261-byte path is not taken";
    EXPECT_NE(std::string::npos, FileBytes(running).find("Terminating Trace.")) << "but it ends the running trace";
    tracer->Release();
    caller->Release();
}

TEST_F(CallerTraceTest, DestroyingOneCallerEndsTheTraceForAll)
{
    IComWebSvc* first = NewCaller();
    IComWebSvc* second = NewCaller();
    INvxTracer* tracer = TracerOf(first);
    const std::string path = TempPath("nvx-trace-destroy.log");
    SetOutputFile(tracer, path);
    tracer->Release();
    first->Release();
    EXPECT_NE(std::string::npos, FileBytes(path).find("Terminating Trace."));
    long timeout = 0;
    EXPECT_HR(S_OK, second->get_Timeout(&timeout)) << "the other caller keeps working";
    second->Release();
}

// The entry layout, through the trace log directly.
TEST(TraceEntryBytes, MarkerLabelZeroSeparatorTextZeroLineEnd)
{
    const std::string path = TempPath("nvx-trace-entry.log");
    nvx::trace::TraceStart(path.c_str());
    const char header[] = "Content-Length: 5\r\n";
    nvx::trace::TraceEntry(nvx::trace::Direction::Out, "HTTP Content-Length", header, sizeof header - 1);
    nvx::trace::TraceEntry(nvx::trace::Direction::In, "Read()", "", 0);
    nvx::trace::TraceStop();
    nvx::trace::TraceEntry(nvx::trace::Direction::In, "Read()", "late", 4);

    const std::string bytes = FileBytes(path);
    const std::string zero(1, '\0');
    const std::regex layout(std::string("^") + kTime + "Starting Trace\\.\\.\\." + kTime + "> HTTP Content-Length" +
                            zero + ": Content-Length: 5\r\n" + zero + "\r\n" + kTime + "< Read\\(\\)" + zero + ": " +
                            zero + "\r\n" + kTime + "Terminating Trace\\.$");
    EXPECT_TRUE(std::regex_match(bytes, layout)) << bytes;
}

}  // namespace
