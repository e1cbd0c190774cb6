#pragma once

#include "DataSetProvider.h"

#include <QIODevice>

// The client-dataset XML packet: <DATAPACKET Version="2.0"> with METADATA (FIELDS of attrname, fieldtype and
// WIDTH; PARAMS) and ROWDATA (one ROW per record, a null value being an absent attribute). Pending changes are
// kept in the rows' RowState: 4 inserted, 2 deleted (with the values before the change), and for a modified
// record a ROW of state 1 with the values before the change followed by a ROW of state 8 with the current ones;
// PARAMS CHANGE_LOG lists the changed records' numbers (1-based, a modified pair counting once) in the order
// they were first changed.
void WriteDataPacketXml(QIODevice &device, const TDataPacket &packet);
// Raises EDatabaseError naming what is wrong (and where) for a packet that is not well formed.
TDataPacket ReadDataPacketXml(QIODevice &device);
