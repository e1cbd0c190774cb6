#pragma once

#include "DataSetProvider.h"

#include <QIODevice>

// The client-dataset XML packet: <DATAPACKET Version="2.0"> with METADATA (FIELDS of attrname, fieldtype and
// WIDTH) and ROWDATA (one ROW per record, a null value being an absent attribute).
void WriteDataPacketXml(QIODevice &device, const QList<TFieldDef> &fields,
                        const std::vector<std::vector<QVariant>> &rows);
// Raises EDatabaseError naming what is wrong (and where) for a packet that is not well formed.
TDataPacket ReadDataPacketXml(QIODevice &device);
