/* The peer's document/literal service, as soapcpp2 reads it: the operations
   of the rpc service, wrapped, with unqualified local elements as gSOAP
   writes them by default; lists as repeated elements; and an operation that
   takes a part in the SOAP header (whoami: "GREETING, USER"). */

//gsoap dl service name: LiteralService
//gsoap dl service style: document
//gsoap dl service encoding: literal
//gsoap dl service namespace: urn:nvx-peer:literal
//gsoap dl service location: http://127.0.0.1:0/literal

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
struct dl__getListResponse {
    struct dl__StringList* items;
};
struct dl__getPersonResponse {
    struct dl__Person* person;
};
struct dl__getPeopleResponse {
    struct dl__PersonList* people;
};

int dl__getList(int count, struct dl__getListResponse* result);
int dl__getPerson(char* name, struct dl__getPersonResponse* result);
int dl__getPeople(int count, struct dl__getPeopleResponse* result);
int dl__describe(struct dl__Person* person, char** text);
int dl__add(float a, float b, float* sum);
int dl__fail(char* message, char** result);

struct SOAP_ENV__Header {
    char* dl__user;
};
//gsoap dl service method-input-header-part: whoami dl__user
int dl__whoami(char* greeting, char** result);
