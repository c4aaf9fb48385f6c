// The collection index tables, for the other parts of the runner that hand collections to game
// code (the JSON functions) and for game end.
#pragma once

class CDS_Map;
class CDS_List;

// Frees every collection of every family (game end and restart); indices start again from 0.
void DataStructures_FreeAll();
// The map or list with the given index; null when there is none.
CDS_Map* DataStructures_Map(int index);
CDS_List* DataStructures_List(int index);
// Creates an empty map or list and returns its index.
int DataStructures_NewMap();
// Destroys map `index` (nothing when there is none).
void DataStructures_FreeMap(int index);
int DataStructures_NewList();
