#pragma once
// Resource ids of mssoap1.dll, shared by the resource script and the code.
#define IDR_SOAPSERIALIZER 101
#define IDR_SOAPREADER 102
#define IDR_HTTPCONNECTOR 103
#define IDR_WSDLREADER 104
#define IDR_SOAPCLIENT 105
