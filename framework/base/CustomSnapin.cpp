#include <framework/base/CustomSnapin.h>

#include <dataset/Query.h>

IInterface *TCustomSnapinFactory::QueryInterface(const QUuid &iid)
{
    return QueryInterfaceOf<ISnapinFactory>(this, iid);
}

TCustomSnapin::TCustomSnapin(const IntfPtr<IConsole> &console) : m_console(console)
{
}

TCustomSnapin::~TCustomSnapin() = default;

IInterface *TCustomSnapin::QueryInterface(const QUuid &iid)
{
    if (IInterface *own = QueryInterfaceOf<ISnapin>(this, iid))
        return own;
    return m_delegation.Query(iid);
}

dataset::Query *TCustomSnapin::GetDataSet()
{
    return m_dataSet.data();
}

QString TCustomSnapin::GetDescription()
{
    return m_description;
}

QPixmap TCustomSnapin::GetImage()
{
    return m_image;
}

QString TCustomSnapin::GetName()
{
    return m_name;
}

int TCustomSnapin::GetSnapinType()
{
    return 0;
}

void TCustomSnapin::SetDataSet(dataset::Query *dataSet)
{
    m_dataSet = dataSet;
}
