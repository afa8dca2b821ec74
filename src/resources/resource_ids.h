#pragma once
// Resource ids of NvxWebSvc.dll, shared by the resource script and the code.
#define IDR_COMWEBSVC 101
#define IDR_NVXHTTPCONNECTOR 102
#define IDR_NVXWSDLREADER 103
#define IDR_NVXWSDLSERVICE 104
#define IDR_NVXUBLOCKSTREAM 105
#define IDR_NVXWSDLPORT 106
#define IDR_NVXWSDLOPERATION 107
#define IDR_NVXSOAPMAPPER 108
#define IDS_PROJNAME 100
