/* The peer's service bound to SOAP 1.2 alone, as soapcpp2 reads it. */

//gsoap s12 service name: Soap12Service
//gsoap s12 service protocol: SOAP1.2
//gsoap s12 service style: document
//gsoap s12 service encoding: literal
//gsoap s12 service namespace: urn:nvx-peer:soap12
//gsoap s12 service location: http://127.0.0.1:0/soap12

int s12__echo(char* text, char** result);
