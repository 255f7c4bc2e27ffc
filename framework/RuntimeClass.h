// Class names at run time without RTTI: each class that declares one names itself and its base.
#pragma once

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_DYNAMIC(name)               \
public:                                     \
    static const CRuntimeClass class##name; \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(name, base)                                     \
    const CRuntimeClass name::class##name = {#name, RUNTIME_CLASS(base)}; \
    const CRuntimeClass* name::GetRuntimeClass() const { return &name::class##name; }
