/* The gSOAP peer's services, as soapcpp2 reads them: the same operations
   rpc/encoded (ns), document/literal (dl, unqualified local elements, as
   gSOAP writes them by default) and, echo only, a service bound to SOAP 1.2
   alone (s12). */

//gsoap ns service name: RpcService
//gsoap ns service style: rpc
//gsoap ns service encoding: encoded
//gsoap ns service namespace: urn:nvx-peer:rpc
//gsoap ns service location: http://127.0.0.1:0/rpc

//gsoap dl service name: LiteralService
//gsoap dl service style: document
//gsoap dl service encoding: literal
//gsoap dl service namespace: urn:nvx-peer:literal
//gsoap dl service location: http://127.0.0.1:0/literal

//gsoap s12 service name: Soap12Service
//gsoap s12 service protocol: SOAP1.2
//gsoap s12 service style: document
//gsoap s12 service encoding: literal
//gsoap s12 service namespace: urn:nvx-peer:soap12
//gsoap s12 service location: http://127.0.0.1:0/soap12

struct ArrayOfstring {
    char** __ptr;
    int __size;
};

struct ns__Person {
    char* name;
    int age;
    float height;
};
struct ns__ArrayOfPerson {
    struct ns__Person** __ptr;
    int __size;
};
struct ns__pairResponse {
    struct ns__Person* first;
    struct ns__Person* second;
};

int ns__getList(int count, struct ArrayOfstring* items);
int ns__getPerson(char* name, struct ns__Person* person);
int ns__getPeople(int count, struct ns__ArrayOfPerson* people);
int ns__getPair(char* name, struct ns__pairResponse* result);
int ns__describe(struct ns__Person* person, char** text);
int ns__add(float a, float b, float* sum);
int ns__fail(char* message, char** result);

struct dl__Person {
    char* name;
    int age;
    float height;
};
struct dl__StringList {
    int __size;
    char** item;
};
struct dl__PersonList {
    int __size;
    struct dl__Person* person;
};

int dl__getList(int count, struct dl__StringList* items);
int dl__getPerson(char* name, struct dl__Person* person);
int dl__getPeople(int count, struct dl__PersonList* people);
int dl__describe(struct dl__Person* person, char** text);
int dl__add(float a, float b, float* sum);
int dl__fail(char* message, char** result);

int s12__echo(char* text, char** result);
