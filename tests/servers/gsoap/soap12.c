/* The SOAP 1.2 service's operation. */
#include "Soap12Service.nsmap"
#include "peer_values.h"
#include "soapH.h"

int s12__echo(struct soap* soap, char* text, char** result)
{
    *result = soap_strdup(soap, text ? text : "");
    return SOAP_OK;
}
