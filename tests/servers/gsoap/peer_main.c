/* A native gSOAP service the WSDL-driven call is tried against. Each service
   of the peer (rpc.h, literal.h, soap12.h) is a program of its own, built
   from this file, its operations and what soapcpp2 made of its header: one
   service per header is what gSOAP users write, and it keeps each WSDL to its
   own schema. The program answers a GET for any path ending in "?wsdl" with
   its WSDL, the placeholder port 0 replaced by the port it listens on.

       gsoap_peer --port N --port-file FILE --wsdl FILE

   It listens on 127.0.0.1 only and serves one request at a time until it is
   stopped. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "soapH.h"

enum { MAX_WSDL = 1 << 20 };

static const char* wsdl_file;
static int listening_port;

static int asks_for_wsdl(const char* path)
{
    const size_t length = strlen(path);
    return length >= 5 && (!strcmp(path + length - 5, "?wsdl") || !strcmp(path + length - 5, "?WSDL"));
}

/* Sends the WSDL with the placeholder port 0 replaced by the real one. */
static int http_get(struct soap* soap)
{
    static char text[MAX_WSDL], served[MAX_WSDL + 4096];
    if (!asks_for_wsdl(soap->path)) return 404;
    FILE* file = fopen(wsdl_file, "rb");
    if (!file) return 404;
    size_t length = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[length] = '\0';
    char port[32];
    snprintf(port, sizeof port, "127.0.0.1:%d/", listening_port);
    size_t out = 0;
    for (const char* at = text; *at && out < sizeof served - 64;) {
        if (!strncmp(at, "127.0.0.1:0/", 12)) {
            out += (size_t)snprintf(served + out, sizeof served - out, "%s", port);
            at += 12;
        } else {
            served[out++] = *at++;
        }
    }
    served[out] = '\0';
    soap->http_content = "text/xml";
    if (soap_response(soap, SOAP_FILE) || soap_send(soap, served) || soap_end_send(soap)) return soap->error;
    return SOAP_OK;
}

static int write_port_file(const char* path)
{
    if (!path) return 0;
    char temporary[4096];
    snprintf(temporary, sizeof temporary, "%s.tmp", path);
    FILE* file = fopen(temporary, "w");
    if (!file) return -1;
    fprintf(file, "%d\n", listening_port);
    fclose(file);
    return rename(temporary, path);
}

int main(int argc, char** argv)
{
    int port = 0;
    const char* port_file = NULL;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--port"))
            port = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--port-file"))
            port_file = argv[i + 1];
        else if (!strcmp(argv[i], "--wsdl"))
            wsdl_file = argv[i + 1];
    }
    if (!wsdl_file) {
        fputs("usage: gsoap_peer [--port N] [--port-file FILE] --wsdl FILE\n", stderr);
        return 2;
    }
    struct soap* soap = soap_new1(SOAP_IO_KEEPALIVE);
    soap->bind_flags = SO_REUSEADDR;
    soap->accept_timeout = 0;
    soap->recv_timeout = 30;
    soap->send_timeout = 30;
    soap->fget = http_get;
    if (!soap_valid_socket(soap_bind(soap, "127.0.0.1", port, 16))) {
        soap_print_fault(soap, stderr);
        return 1;
    }
    struct sockaddr_in address;
    socklen_t length = sizeof address;
    getsockname(soap->master, (struct sockaddr*)&address, &length);
    listening_port = ntohs(address.sin_port);
    if (write_port_file(port_file)) return 1;
    printf("gsoap_peer listening on 127.0.0.1:%d\n", listening_port);
    fflush(stdout);
    for (;;) {
        if (!soap_valid_socket(soap_accept(soap))) continue;
        soap_serve(soap);
        soap_destroy(soap);
        soap_end(soap);
    }
}
