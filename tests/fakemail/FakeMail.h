// The fake mail client (fakemail.dll): a Simple MAPI client for the tests of
// the e-mail plug-in. Its DllRegisterServer makes it the default mail client
// of the Wine prefix (HKLM\Software\Clients\Mail = kClientName, its key
// holding DLLPath and DLLPathEx = the library, as mapi32.dll wants them), so
// the plug-in reaches it through the system's mapi32.dll as it reaches any
// client. DllUnregisterServer takes that back.
//
// Address book: kAddressBook below. A name resolves (MAPIResolveName) when,
// ignoring letter case, it
//   - is "<display name> <<address>>" of an entry with a non-empty mailbox
//     (the mailbox is the address without an "SMTP:" prefix in any case;
//     the bracketed address may carry the prefix or not),
//   - is an entry's display name or mailbox,
//   - begins exactly one entry's display name (begins several: status 21,
//     MAPI_E_AMBIGUOUS_RECIPIENT),
//   - or holds an "@" and no blank: a one-off recipient, the text as name
//     and "SMTP:" and the text as address, without an entry identifier;
// anything else, the empty name included, gives 14 (MAPI_E_UNKNOWN_RECIPIENT).
// Entries carry a 4-byte entry identifier: their index plus 1.
//
// Knobs, values of HKCU\Software\Orvane\FakeMail read at every call:
//   AddressStatus  REG_DWORD  what MAPIAddress returns (default 0); on 0 it
//                             hands out the entries of
//   AddressChoice  REG_SZ     comma-separated indices into the address book
//                             (default "0"; empty: no entry chosen)
//   ResolveStatus  REG_DWORD  when present, MAPIResolveName returns it
//                             instead of resolving (0: any name resolves,
//                             to an entry with empty texts)
//   SendStatus     REG_DWORD  what MAPISendMail returns (default 0)
//   SendPumpMs     REG_DWORD  how long MAPISendMail keeps the caller's
//                             messages flowing before it returns, as a
//                             client's window would (default 0)
//   LogFile        REG_SZ     the log (default %TEMP%\fakemail.log)
//
// Log: one line per call, appended (the file opened and closed each time):
//   <Function>[ <key>=<value>]*
// Numbers are decimal, window handles and buffers "0x" and hexadecimal,
// texts in double quotes with \\, \", \r, \n and \t escaped, null pointers
// null. Lines:
//   MAPIAddress session= ui= caption= editFields= labels= recips= flags=
//       reserved= status= count= buffer=
//   MAPIResolveName session= ui= name= flags= reserved= status= buffer=
//   MAPISendMail session= ui= flags= reserved= msg.reserved= subject= note=
//       messageType= dateReceived= conversationID= msg.flags= originator=
//       recipCount= recip<i>.reserved= recip<i>.class= recip<i>.name=
//       recip<i>.address= recip<i>.eid=<hex bytes> fileCount=
//       file<i>.reserved= file<i>.flags= file<i>.position= file<i>.path=
//       file<i>.name= file<i>.type=null|set file<i>.exists=0|1
//       file<i>.copy=<copy of the file's bytes at send time> status=
//   MAPIFreeBuffer buffer= known=1|0 inUse=1|0   (known 0: not a live
//       buffer of this client, which is then left alone; inUse 1: the
//       recipients of the send in progress point into it)
#pragma once

namespace fakemail {

inline constexpr char kClientName[] = "Vistrel Test Mail";
inline constexpr char kMailClientsKey[] = "Software\\Clients\\Mail";
inline constexpr char kKnobsKey[] = "Software\\Orvane\\FakeMail";

struct AddressBookEntry {
    const char* name;
    const char* address;
};

inline constexpr AddressBookEntry kAddressBook[] = {
    {"Alice Archer", "SMTP:alice@example.org"},
    {"Bob Brown", "smtp:bob@example.org"}, // the prefix in lower case
    {"Carol Cole", "SMTP:"},               // no mailbox at all
    {"Dave Dunn", "dave@example.org"},     // no prefix
    {"Alan Archer", "SMTP:alan@example.org"},
};

} // namespace fakemail
