#include "OperationLayouts.h"

#include "WireBytes.h"

#include "server/Server.h"

std::vector<OperationLayout> OperationLayouts()
{
    const QByteArray on(1, '\1');
    const QByteArray off(1, '\0');
    const QByteArray ann = Str("ann");
    const QByteArray room = Str("r");
    return {
        {"2", [](Server& s) { s.SetWaitPort(2235, 2236); }, Bytes(2u, 2235u, 1u, 2236u)},
        {"28 away", [](Server& s) { s.SetAvailabilityStatus(false); }, Bytes(28u, 1u)},
        {"28 available", [](Server& s) { s.SetAvailabilityStatus(true); }, Bytes(28u, 2u)},
        {"35", [](Server& s) { s.SendFilesFolders(3, 40); }, Bytes(35u, 3u, 40u)},
        {"121", [](Server& s) { s.SendUploadSpeed(5000); }, Bytes(121u, 5000u)},
        {"92", [](Server& s) { s.GetOwnPrivilegesStatus(); }, Bytes(92u)},
        {"123", [](Server& s) { s.GiftPrivileges("ann", 7); }, Bytes(123u) + ann + Bytes(7u)},
        {"132", [](Server& s) { s.BannedUser("ann"); }, Bytes(132u) + ann},
        {"3", [](Server& s) { s.GetUserAddress("ann"); }, Bytes(3u) + ann},
        {"5", [](Server& s) { s.AddUser("ann"); }, Bytes(5u) + ann},
        {"5 tracked", [](Server& s) { s.TrackUser("ann"); }, Bytes(5u) + ann},
        {"6", [](Server& s) { s.TrackUser("bob"), s.UntrackUser("bob"); },
         Bytes(5u) + Str("bob") + Bytes(6u) + Str("bob")},
        {"7", [](Server& s) { s.GetUserStatus("ann"); }, Bytes(7u) + ann},
        {"36", [](Server& s) { s.GetUserStats("ann"); }, Bytes(36u) + ann},
        {"22", [](Server& s) { s.SendPrivateChat("ann", "a\r\nb"); }, Bytes(22u) + ann + Str("a  b")},
        {"13", [](Server& s) { s.SendRoomChat("r", "hi"); }, Bytes(13u) + room + Str("hi")},
        {"14", [](Server& s) { s.EnterRoom("r", false); }, Bytes(14u) + room + Bytes(0u)},
        {"14 private", [](Server& s) { s.EnterRoom("r", true); }, Bytes(14u) + room + Bytes(1u)},
        {"15", [](Server& s) { s.LeaveRoom("r"); }, Bytes(15u) + room},
        {"64", [](Server& s) { s.GetRoomList(); }, Bytes(64u)},
        {"116", [](Server& s) { s.SetRoomTicker("r", "t"); }, Bytes(116u) + room + Str("t")},
        {"134", [](Server& s) { s.AddPrivateRoomMember("r", "ann"); }, Bytes(134u) + room + ann},
        {"135", [](Server& s) { s.RemovePrivateRoomMember("r", "ann"); }, Bytes(135u) + room + ann},
        {"136", [](Server& s) { s.GiveUpPrivateRoomMembership("r"); }, Bytes(136u) + room},
        {"137", [](Server& s) { s.GiveUpPrivateRoom("r"); }, Bytes(137u) + room},
        {"141", [](Server& s) { s.EnablePrivateRoomAdd(true); }, Bytes(141u) + on},
        {"143", [](Server& s) { s.AddPrivateRoomOperator("r", "ann"); }, Bytes(143u) + room + ann},
        {"144", [](Server& s) { s.RemovePrivateRoomOperator("r", "ann"); }, Bytes(144u) + room + ann},
        {"153", [](Server& s) { s.GetSearchCorrelations("abc"); }, Bytes(153u) + Str("abc")},
        {"18", [](Server& s) { s.SendIndirectConnectionRequest("ann", "P"); }, Bytes(18u, 1u) + ann + Str("P")},
        {"1001", [](Server& s) { s.SendCantConnectToPeer(4, "ann"); }, Bytes(1001u, 4u) + ann},
        {"71", [](Server& s) { s.SendDNetHasParent(true); }, Bytes(71u) + on},
        {"100", [](Server& s) { s.SendDNetCanParent(false); }, Bytes(100u) + off},
        {"126", [](Server& s) { s.SendDNetLevel(3); }, Bytes(126u, 3u)},
        {"127", [](Server& s) { s.SendDNetGroupLeader("ann"); }, Bytes(127u) + ann},
        {"129", [](Server& s) { s.SendChildDepth(true); }, Bytes(129u) + on},
    };
}
