/* A native gSOAP service the WSDL-driven call is tried against: the
   operations of peer.h rpc/encoded, document/literal and over SOAP 1.2, and
   their WSDLs on GET (/rpc?wsdl, /literal?wsdl, /soap12?wsdl), with the port
   it really listens on.

       gsoap_peer --port N --port-file FILE --wsdl-dir DIR

   It listens on 127.0.0.1 only and serves one request at a time until it is
   stopped. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "RpcService.nsmap"
#include "soapH.h"

enum { MAX_WSDL = 1 << 20, MAX_COUNT = 1000 };

static const char* wsdl_dir = ".";
static int listening_port;

static const char* const people[] = {"Ada", "Brian", "Claude"};

static char* copy_text(struct soap* soap, const char* text) { return soap_strdup(soap, text); }

/* The WSDL file for a path ("/rpc?wsdl"), or NULL. */
static const char* wsdl_for(const char* path)
{
    if (!strstr(path, "?wsdl") && !strstr(path, "?WSDL")) return NULL;
    if (!strncmp(path, "/rpc", 4)) return "RpcService.wsdl";
    if (!strncmp(path, "/literal", 8)) return "LiteralService.wsdl";
    if (!strncmp(path, "/soap12", 7)) return "Soap12Service.wsdl";
    return NULL;
}

/* Sends the WSDL with the placeholder port 0 replaced by the real one. */
static int http_get(struct soap* soap)
{
    static char text[MAX_WSDL], served[MAX_WSDL + 4096];
    const char* name = wsdl_for(soap->path);
    char path[4096];
    if (!name) return 404;
    snprintf(path, sizeof path, "%s/%s", wsdl_dir, name);
    FILE* file = fopen(path, "rb");
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

static int bounded(int count) { return count < 0 ? 0 : count > MAX_COUNT ? MAX_COUNT : count; }

static char* item_text(struct soap* soap, int index)
{
    char text[32];
    snprintf(text, sizeof text, "item %d", index + 1);
    return copy_text(soap, text);
}

int ns__getList(struct soap* soap, int count, struct ArrayOfstring* items)
{
    items->__size = bounded(count);
    items->__ptr = soap_malloc(soap, sizeof(char*) * (size_t)(items->__size + 1));
    for (int i = 0; i < items->__size; ++i) items->__ptr[i] = item_text(soap, i);
    return SOAP_OK;
}

static void fill_person(struct soap* soap, const char* name, int index, char** out_name, int* age, float* height)
{
    *out_name = copy_text(soap, name);
    *age = 30 + index;
    *height = 1.5f + 0.25f * (float)index;
}

int ns__getPerson(struct soap* soap, char* name, struct ns__Person* person)
{
    fill_person(soap, name ? name : "", 0, &person->name, &person->age, &person->height);
    return SOAP_OK;
}

/* The people of the list, the first one twice: an encoded array of
   references, the repeated one sent once. */
int ns__getPeople(struct soap* soap, int count, struct ns__ArrayOfPerson* list)
{
    list->__size = bounded(count);
    list->__ptr = soap_malloc(soap, sizeof(struct ns__Person*) * (size_t)(list->__size + 1));
    for (int i = 0; i < list->__size; ++i) {
        if (i == 3) {
            list->__ptr[i] = list->__ptr[0];
            continue;
        }
        struct ns__Person* person = soap_malloc(soap, sizeof *person);
        fill_person(soap, people[i % 3], i, &person->name, &person->age, &person->height);
        list->__ptr[i] = person;
    }
    return SOAP_OK;
}

/* One person in both parts: gSOAP writes it once and refers to it twice. */
int ns__getPair(struct soap* soap, char* name, struct ns__pairResponse* result)
{
    struct ns__Person* person = soap_malloc(soap, sizeof *person);
    fill_person(soap, name ? name : "", 0, &person->name, &person->age, &person->height);
    result->first = person;
    result->second = person;
    return SOAP_OK;
}

static int describe(struct soap* soap, const char* name, int age, float height, char** text)
{
    char buffer[512];
    snprintf(buffer, sizeof buffer, "%s is %d and %.2f m tall", name ? name : "(nobody)", age, height);
    *text = copy_text(soap, buffer);
    return SOAP_OK;
}

int ns__describe(struct soap* soap, struct ns__Person* person, char** text)
{
    if (!person) return describe(soap, NULL, 0, 0, text);
    return describe(soap, person->name, person->age, person->height, text);
}

int ns__add(struct soap* soap, float a, float b, float* sum)
{
    (void)soap;
    *sum = a + b;
    return SOAP_OK;
}

int ns__fail(struct soap* soap, char* message, char** result)
{
    (void)message;
    (void)result;
    return soap_sender_fault(soap, "Fail: on purpose", NULL);
}

int dl__getList(struct soap* soap, int count, struct dl__StringList* items)
{
    items->__size = bounded(count);
    items->item = soap_malloc(soap, sizeof(char*) * (size_t)(items->__size + 1));
    for (int i = 0; i < items->__size; ++i) items->item[i] = item_text(soap, i);
    return SOAP_OK;
}

int dl__getPerson(struct soap* soap, char* name, struct dl__Person* person)
{
    fill_person(soap, name ? name : "", 0, &person->name, &person->age, &person->height);
    return SOAP_OK;
}

int dl__getPeople(struct soap* soap, int count, struct dl__PersonList* list)
{
    list->__size = bounded(count);
    list->person = soap_malloc(soap, sizeof(struct dl__Person) * (size_t)(list->__size + 1));
    for (int i = 0; i < list->__size; ++i) {
        struct dl__Person* person = &list->person[i];
        fill_person(soap, people[i % 3], i, &person->name, &person->age, &person->height);
    }
    return SOAP_OK;
}

int dl__describe(struct soap* soap, struct dl__Person* person, char** text)
{
    if (!person) return describe(soap, NULL, 0, 0, text);
    return describe(soap, person->name, person->age, person->height, text);
}

int dl__add(struct soap* soap, float a, float b, float* sum)
{
    (void)soap;
    *sum = a + b;
    return SOAP_OK;
}

int dl__fail(struct soap* soap, char* message, char** result)
{
    (void)message;
    (void)result;
    return soap_sender_fault(soap, "Fail: on purpose", NULL);
}

int s12__echo(struct soap* soap, char* text, char** result)
{
    *result = copy_text(soap, text ? text : "");
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
        else if (!strcmp(argv[i], "--wsdl-dir"))
            wsdl_dir = argv[i + 1];
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
