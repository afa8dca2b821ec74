/* The document/literal service's operations. */
#include <stdio.h>

#include "LiteralService.nsmap"
#include "peer_values.h"
#include "soapH.h"

int dl__getList(struct soap* soap, int count, struct dl__getListResponse* result)
{
    struct dl__StringList* items = soap_malloc(soap, sizeof *items);
    items->__size = peer_count(count);
    items->item = soap_malloc(soap, sizeof(char*) * (size_t)(items->__size + 1));
    for (int i = 0; i < items->__size; ++i) items->item[i] = peer_item(soap, i);
    result->items = items;
    return SOAP_OK;
}

int dl__getPerson(struct soap* soap, char* name, struct dl__getPersonResponse* result)
{
    struct dl__Person* person = soap_malloc(soap, sizeof *person);
    peer_person(soap, name ? name : "", 0, &person->name, &person->age, &person->height);
    result->person = person;
    return SOAP_OK;
}

int dl__getPeople(struct soap* soap, int count, struct dl__getPeopleResponse* result)
{
    struct dl__PersonList* list = soap_malloc(soap, sizeof *list);
    list->__size = peer_count(count);
    list->person = soap_malloc(soap, sizeof(struct dl__Person) * (size_t)(list->__size + 1));
    for (int i = 0; i < list->__size; ++i) {
        struct dl__Person* person = &list->person[i];
        peer_person(soap, NULL, i, &person->name, &person->age, &person->height);
    }
    result->people = list;
    return SOAP_OK;
}

int dl__describe(struct soap* soap, struct dl__Person* person, char** text)
{
    *text = person ? peer_description(soap, person->name, person->age, person->height)
                   : peer_description(soap, NULL, 0, 0);
    return SOAP_OK;
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

/* The user comes in the header; one that came in the body is not seen. */
int dl__whoami(struct soap* soap, char* greeting, char** result)
{
    const char* user = soap->header && soap->header->dl__user ? soap->header->dl__user : "(nobody in the header)";
    char text[512];
    snprintf(text, sizeof text, "%s, %s", greeting ? greeting : "", user);
    *result = soap_strdup(soap, text);
    return SOAP_OK;
}
