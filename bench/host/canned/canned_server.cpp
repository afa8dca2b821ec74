// canned_server: the fixed-response HTTP/1.1 server every benchmark talks to.
// Answers each POST with the bytes of --response-file and each GET with those
// of --get-file, as text/xml with a Content-Length, on kept-alive connections.
// Deliberately minimal so that it costs the same in every comparison.
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using error_code = boost::system::error_code;

constexpr std::uint64_t kMaxRequestBody = 64 * 1024 * 1024;

struct CannedResponses {
    std::string post;  // complete responses, head and body
    std::string get;
    std::string not_allowed;
};

std::string ok_response(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string status_response(const char* status_line)
{
    return std::string(status_line) + "\r\nContent-Length: 0\r\n\r\n";
}

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(tcp::socket socket, const CannedResponses& responses)
        : socket_(std::move(socket)), responses_(responses)
    {
    }

    void read()
    {
        parser_.emplace();
        parser_->body_limit(kMaxRequestBody);
        http::async_read(socket_, buffer_, *parser_,
                         [self = shared_from_this()](error_code ec, std::size_t) {
                             if (!ec)
                                 self->respond();
                         });
    }

private:
    void respond()
    {
        const auto& request = parser_->get();
        const std::string* response = &responses_.not_allowed;
        if (request.method() == http::verb::post)
            response = &responses_.post;
        else if (request.method() == http::verb::get)
            response = &responses_.get;
        const bool keep_alive = parser_->keep_alive();
        asio::async_write(socket_, asio::buffer(*response),
                          [self = shared_from_this(), keep_alive](error_code ec, std::size_t) {
                              if (!ec && keep_alive)
                                  self->read();
                          });
    }

    tcp::socket socket_;
    const CannedResponses& responses_;
    boost::beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
};

void accept(tcp::acceptor& acceptor, const CannedResponses& responses)
{
    acceptor.async_accept([&](error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted)
            return;
        if (!ec) {
            socket.set_option(tcp::no_delay(true), ec);
            std::make_shared<Connection>(std::move(socket), responses)->read();
        }
        accept(acceptor, responses);
    });
}

std::optional<std::string> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

struct Options {
    tcp::endpoint listen{asio::ip::make_address_v4("127.0.0.1"), 0};
    std::string response_file;
    std::string get_file;
};

std::optional<tcp::endpoint> parse_endpoint(const std::string& text)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos)
        return std::nullopt;
    error_code ec;
    const auto address = asio::ip::make_address(text.substr(0, colon), ec);
    unsigned port = 0;
    const char* first = text.data() + colon + 1;
    const char* last = text.data() + text.size();
    const auto [stop, parse_ec] = std::from_chars(first, last, port);
    if (ec || parse_ec != std::errc() || stop != last || port > 65535)
        return std::nullopt;
    return tcp::endpoint(address, static_cast<unsigned short>(port));
}

std::optional<Options> parse(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--listen") {
            auto endpoint = parse_endpoint(argv[i + 1]);
            if (!endpoint)
                return std::nullopt;
            options.listen = *endpoint;
        } else if (name == "--response-file")
            options.response_file = argv[i + 1];
        else if (name == "--get-file")
            options.get_file = argv[i + 1];
        else
            return std::nullopt;
    }
    if (argc % 2 == 0 || options.response_file.empty())
        return std::nullopt;
    return options;
}

std::optional<CannedResponses> load(const Options& options)
{
    const auto post = read_file(options.response_file);
    const auto get =
        options.get_file.empty() ? std::optional<std::string>{} : read_file(options.get_file);
    if (!post || (!options.get_file.empty() && !get))
        return std::nullopt;
    return CannedResponses{ok_response(*post),
                           get ? ok_response(*get) : status_response("HTTP/1.1 404 Not Found"),
                           status_response("HTTP/1.1 405 Method Not Allowed")};
}

}  // namespace

int main(int argc, char* argv[])
{
    const auto options = parse(argc, argv);
    if (!options) {
        std::cerr << "usage: canned_server --response-file F [--get-file W] "
                     "[--listen HOST:PORT (default 127.0.0.1:0)]\n";
        return 2;
    }
    const auto responses = load(*options);
    if (!responses) {
        std::cerr << "canned_server: cannot read the response files\n";
        return 1;
    }
    try {
        asio::io_context io(1);
        tcp::acceptor acceptor(io, options->listen);
        asio::signal_set signals(io, SIGINT, SIGTERM);
        signals.async_wait([&](error_code, int) { io.stop(); });
        const auto bound = acceptor.local_endpoint();
        std::printf("canned_server listening on %s:%u\n", bound.address().to_string().c_str(),
                    static_cast<unsigned>(bound.port()));
        std::fflush(stdout);
        accept(acceptor, *responses);
        io.run();
    } catch (const std::exception& e) {
        std::cerr << "canned_server: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
