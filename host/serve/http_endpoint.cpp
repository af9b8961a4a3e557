#include "http_endpoint.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <algorithm>
#include <cctype>

namespace {

using tcp = boost::asio::ip::tcp;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Only the numeric form counts: "127.0.0.1.example.com" is a name anyone may point anywhere.
bool loopbackName(const std::string& name) {
    const bool numeric = name.find_first_not_of("0123456789.") == std::string::npos;
    return name == "localhost" || name == "::1" || (numeric && name.rfind("127.", 0) == 0);
}

} // namespace

http_endpoint::http_endpoint(const std::string& address, int port) : bound(address) {
    if (port < 0 || port > 65535) {
        throw serve_error("--port " + std::to_string(port) + " is not a port: give 0 to 65535");
    }
    boost::asio::io_context context;
    boost::system::error_code failed;
    tcp::resolver resolver(context);
    const auto found =
        resolver.resolve(address, std::to_string(port),
                         tcp::resolver::passive | tcp::resolver::numeric_service, failed);
    if (failed || found.empty()) {
        throw serve_error("cannot listen on " + address +
                          ": give --bind an address of this machine");
    }
    const tcp::endpoint where = found.begin()->endpoint();
    tcp::acceptor acceptor(context);
    acceptor.open(where.protocol(), failed);
    if (!failed) {
        acceptor.set_option(tcp::acceptor::reuse_address(true), failed);
    }
    if (!failed) {
        acceptor.bind(where, failed);
    }
    if (!failed) {
        acceptor.listen(boost::asio::socket_base::max_listen_connections, failed);
    }
    if (failed && port == 0) {
        throw serve_error("cannot listen on " + address +
                          ": give --bind an address of this machine");
    }
    if (failed) {
        throw serve_error("cannot listen on " + address + " port " + std::to_string(port) +
                          ": the port is in use or the address is not this machine's; choose "
                          "another with --port (0 picks a free one) or --bind");
    }
    portNumber = acceptor.local_endpoint().port();
    version6 = where.protocol() == tcp::v6();
    handle = static_cast<std::intptr_t>(acceptor.release());
}

http_endpoint::~http_endpoint() {
    // Handed to an acceptor once more, which closes it.
    boost::asio::io_context context;
    tcp::acceptor owner(context);
    boost::system::error_code ignored;
    owner.assign(version6 ? tcp::v6() : tcp::v4(),
                 static_cast<tcp::acceptor::native_handle_type>(handle), ignored);
}

std::string http_endpoint::url() const {
    const std::string host = bound.find(':') != std::string::npos ? "[" + bound + "]" : bound;
    return "http://" + host + ":" + std::to_string(portNumber) + "/";
}

bool http_endpoint::loopback() const {
    return loopbackName(lower(bound));
}

bool trustedHost(const std::string& hostHeader, const std::string& boundAddress) {
    std::string name = lower(hostHeader);
    if (!name.empty() && name.front() == '[') {
        const std::size_t close = name.find(']');
        if (close == std::string::npos) {
            return false;
        }
        const std::string rest = name.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return false;
        }
        name = name.substr(1, close - 1);
    } else {
        name = name.substr(0, name.find(':'));
    }
    if (name.empty()) {
        return false;
    }
    const std::string wildcard = boundAddress == "0.0.0.0" || boundAddress == "::" ? "" : "x";
    return loopbackName(name) || (!wildcard.empty() && name == lower(boundAddress));
}
