/* The peer's rpc/encoded service, as soapcpp2 reads it: SOAP-encoded arrays,
   structures, structures referred to twice (sent once, with href), typed
   results and a fault. A result structure that is not itself the response
   wrapper is wrapped, or soapcpp2 would take its fields for the parts. */

//gsoap ns service name: RpcService
//gsoap ns service style: rpc
//gsoap ns service encoding: encoded
//gsoap ns service namespace: urn:nvx-peer:rpc
//gsoap ns service location: http://127.0.0.1:0/rpc

struct ArrayOfstring {
    char** __ptr;
    int __size;
};
struct ns__Person {
    char* name;
    int age;
    float height;
};
struct ArrayOfPerson {
    struct ns__Person** __ptr;
    int __size;
};
struct ns__getPersonResponse {
    struct ns__Person* person;
};
struct ns__getPairResponse {
    struct ns__Person* first;
    struct ns__Person* second;
};

int ns__getList(int count, struct ArrayOfstring* items);
int ns__getPerson(char* name, struct ns__getPersonResponse* result);
int ns__getPeople(int count, struct ArrayOfPerson* people);
int ns__getPair(char* name, struct ns__getPairResponse* result);
int ns__describe(struct ns__Person* person, char** text);
int ns__add(float a, float b, float* sum);
int ns__fail(char* message, char** result);
