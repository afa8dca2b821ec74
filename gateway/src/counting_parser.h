#pragma once
// A Beast parser that checks a message's syntax and framing and counts its
// body without storing it. Derived scanners override the callbacks for the
// parts of the head they keep; everything else is passed over.
#include <boost/beast/http/basic_parser.hpp>

#include <cstdint>

namespace nxcommd {

template <bool IsRequest>
class CountingParser : public boost::beast::http::basic_parser<IsRequest> {
protected:
    using error_code = boost::beast::error_code;
    using field = boost::beast::http::field;
    using string_view = boost::beast::string_view;
    using verb = boost::beast::http::verb;

    void on_request_impl(verb, string_view, string_view, int, error_code&) override {}
    void on_response_impl(int, string_view, int, error_code&) override {}
    void on_field_impl(field, string_view, string_view, error_code&) override {}
    void on_header_impl(error_code&) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t>&, error_code&) override {}
    std::size_t on_body_impl(string_view body, error_code&) override { return body.size(); }
    void on_chunk_header_impl(std::uint64_t, string_view, error_code&) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, string_view body, error_code&) override
    {
        return body.size();
    }
    void on_finish_impl(error_code&) override {}
};

}  // namespace nxcommd
