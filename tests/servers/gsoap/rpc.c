/* The rpc/encoded service's operations. */
#include "RpcService.nsmap"
#include "peer_values.h"
#include "soapH.h"

int ns__getList(struct soap* soap, int count, struct ArrayOfstring* items)
{
    items->__size = peer_count(count);
    items->__ptr = soap_malloc(soap, sizeof(char*) * (size_t)(items->__size + 1));
    for (int i = 0; i < items->__size; ++i) items->__ptr[i] = peer_item(soap, i);
    return SOAP_OK;
}

static struct ns__Person* new_person(struct soap* soap, const char* name, int index)
{
    struct ns__Person* person = soap_malloc(soap, sizeof *person);
    peer_person(soap, name, index, &person->name, &person->age, &person->height);
    return person;
}

int ns__getPerson(struct soap* soap, char* name, struct ns__getPersonResponse* result)
{
    result->person = new_person(soap, name ? name : "", 0);
    return SOAP_OK;
}

/* The people of the list, the first one twice: an encoded array of
   references, the repeated one sent once. */
int ns__getPeople(struct soap* soap, int count, struct ArrayOfPerson* list)
{
    list->__size = peer_count(count);
    list->__ptr = soap_malloc(soap, sizeof(struct ns__Person*) * (size_t)(list->__size + 1));
    for (int i = 0; i < list->__size; ++i) list->__ptr[i] = i == 3 ? list->__ptr[0] : new_person(soap, NULL, i);
    return SOAP_OK;
}

/* One person in both parts: gSOAP writes it once and refers to it twice. */
int ns__getPair(struct soap* soap, char* name, struct ns__getPairResponse* result)
{
    result->first = new_person(soap, name ? name : "", 0);
    result->second = result->first;
    return SOAP_OK;
}

int ns__describe(struct soap* soap, struct ns__Person* person, char** text)
{
    *text = person ? peer_description(soap, person->name, person->age, person->height)
                   : peer_description(soap, NULL, 0, 0);
    return SOAP_OK;
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
