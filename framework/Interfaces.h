#pragma once

// The host's interfaces: identifiers, intrusive reference counting and the module
// services a snap-in asks the console for.

#include <QDate>
#include <QPixmap>
#include <QString>
#include <QUuid>
#include <QList>
#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

class QAction;
class QWidget;
namespace dataset { class Connection; class Query; class DBGrid; }

// Base of every interface. QueryInterface returns an added reference (or nullptr).
class IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{6F1D0C5A-2B8E-4C61-9B0F-3E2A9D7C1A00}")};
    virtual IInterface *QueryInterface(const QUuid &iid) = 0;
    virtual void AddRef() = 0;
    virtual void Release() = 0;

protected:
    ~IInterface() = default;
};

// Smart pointer holding one reference to an interface.
template <class T>
class IntfPtr {
public:
    IntfPtr() = default;
    IntfPtr(std::nullptr_t) {}
    // Takes over a reference the caller already owns (e.g. from QueryInterface).
    static IntfPtr Adopt(T *p) { IntfPtr r; r.m_p = p; return r; }
    explicit IntfPtr(T *p) : m_p(p) { if (m_p) m_p->AddRef(); }
    IntfPtr(const IntfPtr &o) : m_p(o.m_p) { if (m_p) m_p->AddRef(); }
    IntfPtr(IntfPtr &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    // From a pointer to a derived class or implementing object (upcast only).
    template <class U>
        requires(std::is_convertible_v<U *, T *> && !std::is_same_v<U, T>)
    IntfPtr(const IntfPtr<U> &o) : IntfPtr(static_cast<T *>(o.get())) {}
    ~IntfPtr() { if (m_p) m_p->Release(); }
    IntfPtr &operator=(IntfPtr o) noexcept { std::swap(m_p, o.m_p); return *this; }

    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    T &operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset() { IntfPtr().swap(*this); }
    void swap(IntfPtr &o) noexcept { std::swap(m_p, o.m_p); }
    // Gives up the reference without releasing it (the caller now owns it).
    T *release() noexcept { return std::exchange(m_p, nullptr); }
    friend bool operator==(const IntfPtr &a, const IntfPtr &b) { return a.m_p == b.m_p; }

private:
    T *m_p = nullptr;
};

// Asks 'from' for interface T (by T::IID); empty when it does not answer for it.
template <class T, class U>
IntfPtr<T> Supports(U *from)
{
    if (!from)
        return {};
    return IntfPtr<T>::Adopt(static_cast<T *>(from->QueryInterface(T::IID)));
}

template <class T, class U>
IntfPtr<T> Supports(const IntfPtr<U> &from)
{
    return Supports<T>(from.get());
}

// Reference counting shared by every implementation: derive from it and from the
// interfaces, answer QueryInterface (see base/InterfaceSupport.h for the helpers).
// The object is deleted when the last reference goes; BeforeDestruction runs first,
// while the most derived class is still whole, so overrides there do dispatch.
class TInterfacedObject {
public:
    TInterfacedObject() = default;
    TInterfacedObject(const TInterfacedObject &) = delete;
    TInterfacedObject &operator=(const TInterfacedObject &) = delete;
    virtual ~TInterfacedObject() = default;

    void AddRefImpl() { ++m_refCount; }
    void ReleaseImpl()
    {
        if (m_refCount.fetch_sub(1) == 1)
            Destroy();
    }
    int RefCount() const { return m_refCount; }

    // Runs once after the most derived constructor (CreateInterfaced calls it).
    virtual void AfterConstruction() {}
    // Runs once before the destructors, when the last reference is released.
    virtual void BeforeDestruction() {}

private:
    // Kept out of line: inlined into a derived Release, the compiler mistakes the
    // virtual delete of a base subobject for a delete at a wrong address.
    [[gnu::noinline]] void Destroy()
    {
        // References taken and dropped while tearing down must not free us twice.
        m_refCount = kDestroying;
        BeforeDestruction();
        delete this;
    }

    static constexpr int kDestroying = 1 << 30;
    std::atomic<int> m_refCount{0};
};

#define PARKING_INTERFACED_OBJECT                                  \
    void AddRef() override { AddRefImpl(); }                       \
    void Release() override { ReleaseImpl(); }

// Two-phase creation of an interfaced object: the constructors, then the virtual
// AfterConstruction of the most derived class. Returns the first reference.
template <class T, class... Args>
IntfPtr<T> CreateInterfaced(Args &&...args)
{
    IntfPtr<T> object(new T(std::forward<Args>(args)...));
    object->AfterConstruction();
    return object;
}

// ---- records ---------------------------------------------------------------

struct TProductDesc {
    QString Name;
    QString Code;
    QString BarCode;
    QString AdditionalCode;
    double Price = 0.0;       // without tax
    double TaxValue = 0.0;    // percent
    int TaxID = -1;
    int ProductID = -1;
};
using TProductDescArr = std::vector<TProductDesc>;

struct TPartnerDesc {
    QString Name;
    QString Address;
    QString Zip;
    QString City;
    QString Code;
    int PartnerID = -1;
};

struct TUserDesc {
    int UserID = 0;
    QString FirstName;
    QString LastName;
};

// ---- console and snap-ins --------------------------------------------------

class IConsole : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{6F1D0C5A-2B8E-4C61-9B0F-3E2A9D7C1A01}")};
    // True and 'module' set when the host has the module with that identifier.
    virtual bool GetModule(const QUuid &iid, IntfPtr<IInterface> &module) = 0;
    virtual void SetPrintGrid(dataset::DBGrid *grid) = 0;
    virtual dataset::DBGrid *GetPrintGrid() = 0;
    virtual void RunWizard(const QString &wizardName, const QString &params) = 0;

protected:
    ~IConsole() = default;
};

class ISnapin : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{6F1D0C5A-2B8E-4C61-9B0F-3E2A9D7C1A02}")};
    virtual dataset::Query *GetDataSet() = 0;
    virtual QString GetDescription() = 0;
    virtual QPixmap GetImage() = 0;
    virtual QString GetName() = 0;
    virtual int GetSnapinType() = 0;

protected:
    ~ISnapin() = default;
};

class ISnapinFactory : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{6F1D0C5A-2B8E-4C61-9B0F-3E2A9D7C1A03}")};
    virtual IntfPtr<ISnapin> CreateSnapin(const IntfPtr<IConsole> &console) = 0;

protected:
    ~ISnapinFactory() = default;
};

// The list pane of a snap-in. Show places its frame into 'parent'.
class IViewer : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{308DC058-773F-4EB7-A04E-6772C8A35D60}")};
    virtual void Load(const IntfPtr<ISnapin> &snapin) = 0;
    virtual void Show(QWidget *parent) = 0;
    virtual void Hide() = 0;
    virtual QList<QAction *> GetActionList() = 0;

protected:
    ~IViewer() = default;
};

// The search pane of a snap-in.
class INavigable : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{AAFF7BDF-545F-48E3-9486-9655678906C3}")};
    virtual void ShowNavigator(QWidget *parent) = 0;
    virtual void HideNavigator() = 0;

protected:
    ~INavigable() = default;
};

// ---- module services -------------------------------------------------------

class ISecurityModule : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{3495C3AC-F17F-440C-8571-96AAA091CAF2}")};
    virtual dataset::Connection *GetConnection() = 0;
    virtual bool AfterConnect() = 0;
    // ask == false: the logged-in user; true: the user whose UserID the record carries.
    virtual bool GetUserDesc(TUserDesc &user, bool ask) = 0;

protected:
    ~ISecurityModule() = default;
};

// How a product search compares its text: the name begins with it; the code, bar code
// or additional code equals it; the name contains it.
enum class ProductMatch { NamePrefix, Code, NameContains };

class IProductModule : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{0C33E181-9974-44A7-86FB-422B454F6ED8}")};
    // The products that match 'text' as 'match' says, case-insensitive, in name order.
    virtual TProductDescArr FindProducts(const QString &text, ProductMatch match) = 0;
    virtual bool SelectProducts(TProductDescArr &products) = 0;

protected:
    ~IProductModule() = default;
};

class IPartnerModule : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{4C48317F-19A9-439E-BC43-E5F13DB4962C}")};
    virtual bool SelectPartner(TPartnerDesc &partner) = 0;

protected:
    ~IPartnerModule() = default;
};

class IDocumentModule : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{D8BF9324-78F4-4730-B506-A74DE8E004EC}")};
    virtual bool GetDefaultCurrency(QString &currency) = 0;

protected:
    ~IDocumentModule() = default;
};

// The console's configuration file, which is also the modules' ("Parking" and
// "Document" sections), wherever the console was told to read it from.
class IConfigurationModule : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{8E4B2C61-0F3A-4D7E-9A15-6C2D7B3E9F40}")};
    virtual QString GetConfigFile() = 0;

protected:
    ~IConfigurationModule() = default;
};

// What a document notice tells the host of the document just written: a document of
// its own, or the "M" document that reverses the stock of the invoice written before it.
enum class DocumentNoticeKind { Document, InvoiceReversal };

class IDocumentService : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{F0D1EC42-35DC-4A4C-A783-CBC6F7FFD556}")};
    // kind is "n"; takes the next number for that type, year and warehouse. Called inside
    // the transaction that stores the document: the number is used up when it commits.
    virtual QString GetNextNumber(const QString &documentType, const QString &kind,
                                  const QDate &documentDate, int warehouseId) = 0;
    virtual void DocumentNotice(int documentId, DocumentNoticeKind kind) = 0;
    virtual void CashInvoiceNotice(int documentId) = 0;

protected:
    ~IDocumentService() = default;
};

// The console's notice log: a line a user reads in the log and the status bar.
class INoticeLog : public IInterface {
public:
    static inline const QUuid IID{QStringLiteral("{9A4E2C71-5D3B-4F08-A6E1-2B7C0D9F4E63}")};
    virtual void AddNotice(const QString &text) = 0;

protected:
    ~INoticeLog() = default;
};
