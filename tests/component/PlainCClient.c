/* A client written in plain C that knows libPellonar.so only by its binary
   interface: it declares the GUID and v-table layouts itself, loads the
   module, asks it for the class factory, creates a Gas and reads Z for a
   propane point. Exit status 0 when everything answers as expected. */
#include <dlfcn.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>

typedef int32_t HRESULT;
typedef struct {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;

static const GUID CLSID_Gas = {
    0x36C1CFCE, 0xCB93, 0x11D5, {0x9D, 0x92, 0x00, 0x00, 0xE8, 0x12, 0x59, 0xB9}};
static const GUID IID_IGas = {
    0x36C1CFCD, 0xCB93, 0x11D5, {0x9D, 0x92, 0x00, 0x00, 0xE8, 0x12, 0x59, 0xB9}};
static const GUID IID_IDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID IID_IClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

typedef struct IClassFactory IClassFactory;
typedef struct {
    HRESULT (*QueryInterface)(IClassFactory*, const GUID*, void**);
    uint32_t (*AddRef)(IClassFactory*);
    uint32_t (*Release)(IClassFactory*);
    HRESULT (*CreateInstance)(IClassFactory*, void*, const GUID*, void**);
    HRESULT (*LockServer)(IClassFactory*, int32_t);
} IClassFactoryVtbl;
struct IClassFactory {
    const IClassFactoryVtbl* lpVtbl;
};

typedef struct IGas IGas;
/* IDispatch::Invoke; its arguments are not used here. */
typedef HRESULT InvokeFn(IGas*, int32_t, const GUID*, uint32_t, uint16_t, void*, void*, void*,
                         uint32_t*);
typedef struct {
    HRESULT (*QueryInterface)(IGas*, const GUID*, void**);
    uint32_t (*AddRef)(IGas*);
    uint32_t (*Release)(IGas*);
    HRESULT (*GetTypeInfoCount)(IGas*, uint32_t*);
    HRESULT (*GetTypeInfo)(IGas*, uint32_t, uint32_t, void**);
    HRESULT (*GetIDsOfNames)(IGas*, const GUID*, void*, uint32_t, uint32_t, int32_t*);
    InvokeFn* Invoke;
    HRESULT (*get_MaxIterations)(IGas*, short*);
    HRESULT (*put_MaxIterations)(IGas*, short);
    HRESULT (*get_MinAccuracy)(IGas*, double*);
    HRESULT (*put_MinAccuracy)(IGas*, double);
    HRESULT (*get_NumIterations)(IGas*, short*);
    HRESULT (*get_T_degC)(IGas*, double*);
    HRESULT (*put_T_degC)(IGas*, double);
    HRESULT (*get_P_barA)(IGas*, double*);
    HRESULT (*put_P_barA)(IGas*, double);
    HRESULT (*get_AcentricFactor)(IGas*, double*);
    HRESULT (*put_AcentricFactor)(IGas*, double);
    HRESULT (*get_Z)(IGas*, double*);
    HRESULT (*get_Pcrit_barA)(IGas*, double*);
    HRESULT (*put_Pcrit_barA)(IGas*, double);
    HRESULT (*get_Tcrit_degC)(IGas*, double*);
    HRESULT (*put_Tcrit_degC)(IGas*, double);
    HRESULT (*get_Tcrit_K)(IGas*, double*);
    HRESULT (*put_Tcrit_K)(IGas*, double);
    HRESULT (*get_LiquidVolume)(IGas*, double*);
    HRESULT (*get_VapourVolume)(IGas*, double*);
    HRESULT (*get_T_K)(IGas*, double*);
    HRESULT (*put_T_K)(IGas*, double);
} IGasVtbl;
struct IGas {
    const IGasVtbl* lpVtbl;
};

typedef HRESULT (*GetClassObjectFn)(const GUID*, const GUID*, void**);
typedef HRESULT (*CanUnloadNowFn)(void);

static int Check(int ok, const char* what) {
    if (!ok) fprintf(stderr, "c client: %s\n", what);
    return ok ? 0 : 1;
}

static int UseGas(IGas* gas) {
    int failures = 0;
    double z = 0, vapour = 0, liquid = 0, tc = 0;
    short steps = 0;
    uint32_t count = 0;
    void* dispatch = NULL;
    gas->lpVtbl->put_T_K(gas, 300.0);
    gas->lpVtbl->put_P_barA(gas, 10.0);
    gas->lpVtbl->put_Tcrit_K(gas, 369.83);
    gas->lpVtbl->put_Pcrit_barA(gas, 42.48);
    gas->lpVtbl->put_AcentricFactor(gas, 0.152);
    gas->lpVtbl->put_MaxIterations(gas, 20);
    gas->lpVtbl->put_MinAccuracy(gas, 0.00001);
    failures += Check(gas->lpVtbl->get_Z(gas, &z) == 0, "get_Z failed");
    gas->lpVtbl->get_NumIterations(gas, &steps);
    gas->lpVtbl->get_VapourVolume(gas, &vapour);
    gas->lpVtbl->get_LiquidVolume(gas, &liquid);
    gas->lpVtbl->get_Tcrit_degC(gas, &tc);
    printf("Z = %.6f, vapour %.2f cm3/mol, liquid %.3f cm3/mol, %d steps\n", z, vapour, liquid,
           steps);
    failures += Check(fabs(z - 0.814626) < 5e-7, "wrong Z");
    failures += Check(steps == 7, "wrong step count");
    failures +=
        Check(fabs(vapour - 2031.96) < 0.005 && fabs(liquid - 86.768) < 0.0005, "wrong volumes");
    failures += Check(fabs(tc - 96.68) < 1e-9, "wrong critical temperature");
    failures +=
        Check(gas->lpVtbl->get_Z(gas, NULL) == (HRESULT)0x80004003u, "null pointer accepted");
    failures +=
        Check(gas->lpVtbl->GetTypeInfoCount(gas, &count) == 0 && count == 1, "type info count");
    failures +=
        Check(gas->lpVtbl->QueryInterface(gas, &IID_IDispatch, &dispatch) == 0 && dispatch == gas,
              "IDispatch is not the same pointer");
    if (dispatch != NULL) gas->lpVtbl->Release(gas);
    return failures;
}

int main(int argc, char** argv) {
    void* module;
    GetClassObjectFn getClassObject;
    CanUnloadNowFn canUnloadNow;
    IClassFactory* factory = NULL;
    IGas* gas = NULL;
    int failures = 0;
    if (argc != 2) return Check(0, "usage: PlainCClient MODULE");
    module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (module == NULL) return Check(0, dlerror());
    *(void**)&getClassObject = dlsym(module, "DllGetClassObject");
    *(void**)&canUnloadNow = dlsym(module, "DllCanUnloadNow");
    if (getClassObject == NULL || canUnloadNow == NULL) return Check(0, "exports missing");
    if (getClassObject(&CLSID_Gas, &IID_IClassFactory, (void**)&factory) != 0)
        return Check(0, "no factory");
    failures += Check(factory->lpVtbl->CreateInstance(factory, NULL, &IID_IGas, (void**)&gas) == 0,
                      "no Gas");
    if (gas != NULL) {
        failures += Check(canUnloadNow() == 1, "unloadable while a Gas lives");
        failures += UseGas(gas);
        failures += Check(gas->lpVtbl->Release(gas) == 0, "Gas still referenced");
    }
    factory->lpVtbl->Release(factory);
    failures += Check(canUnloadNow() == 0, "not unloadable at the end");
    dlclose(module);
    return failures == 0 ? 0 : 1;
}
