#pragma once
// Operator accounts and who is logged in, kept in "UserDataBase.db" of the program directory.
// A smaller user type means more rights: a user adds or deletes only users of a larger type;
// types 1 and 2 may change settings. GUI thread only.
#include <QDateTime>
#include <QString>
#include <QVector>
#include <limits>

using UserType = int;

class UserManager {
public:
    // Above every stored type: the current user until the store knows who is logged in.
    static constexpr UserType kNoRights = std::numeric_limits<int>::max();
    static const char* const kConnection;  // "sql_user_database_connection"
    static const char* const kFile;        // "UserDataBase.db"

    UserManager();
    ~UserManager();
    UserManager(const UserManager&) = delete;
    UserManager& operator=(const UserManager&) = delete;

    // The one shared store, made on first use.
    static UserManager* instance();

    void connectDatabase();
    void closeDatabase();
    void addRecord(const QString& name, int optype);

    UserType getUserType(const QString& name);
    void getAllUsersName(QVector<QString>& names, QVector<UserType>& types);
    bool canChangeSetting();

    bool addUser(UserType type, QString name, QString password, QString& msg);
    bool deleteUser(QString name, QString& msg);
    bool changeUserPassword(QString oldPassword, QString newPassword, QString& msg);
    bool changeUser(QString name, QString password, QString& msg);

    QString currentName() const { return name_; }
    UserType currentType() const { return type_; }

    // The time key of an event at `now` after the newest stored time `newest` (UTC text).
    static QString EventTime(const QDateTime& now, const QString& newest);

private:
    bool storeRecord(const QString& name, int optype);

    UserType type_ = kNoRights;
    QString name_;
};
