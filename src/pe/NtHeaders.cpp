#include "pe/NtHeaders.h"

namespace quorvel::pe {

NtHeaders ReadNtHeaders(const Record& record) {
    NtHeaders nt;
    nt.Signature = record.i32(0);
    nt.Machine = record.i16(4);
    nt.NumberOfSections = record.i16(6);
    nt.SizeOfOptionalHeader = record.i16(20);
    nt.Characteristics = record.i16(22);
    nt.Magic = record.i16(24);
    nt.SizeOfCode = record.i32(28);
    nt.AddressOfEntryPoint = record.i32(40);
    nt.BaseOfCode = record.i32(44);
    nt.BaseOfData = record.i32(48);
    nt.ImageBase = record.i32(52);
    nt.SectionAlignment = record.i32(56);
    nt.FileAlignment = record.i32(60);
    nt.SizeOfImage = record.i32(80);
    nt.SizeOfHeaders = record.i32(84);
    nt.CheckSum = record.i32(88);
    nt.Subsystem = record.i16(92);
    nt.ExportTableRva = record.i32(120);
    nt.ImportTableRva = record.i32(128);
    return nt;
}

} // namespace quorvel::pe
