import QtQuick

// A list model that follows a plain list of rows (objects with the same roles) by the `key` role, so
// the views built for a row stay while the list changes: `sync` removes the rows gone, moves rows found
// elsewhere into place, inserts the new ones and sets every row's roles, in the order given.
ListModel {
    id: list

    // The role that names a row.
    property string key: "key"

    function sync(rows) {
        const wanted = {}
        for (let i = 0; i < rows.length; ++i)
            wanted[rows[i][key]] = true
        for (let i = count - 1; i >= 0; --i) {
            if (wanted[get(i)[key]] !== true)
                remove(i)
        }
        for (let i = 0; i < rows.length; ++i) {
            const id = rows[i][key]
            if (i < count && get(i)[key] === id) {
                set(i, rows[i])
                continue
            }
            let found = -1
            for (let j = i + 1; j < count; ++j) {
                if (get(j)[key] === id) {
                    found = j
                    break
                }
            }
            if (found >= 0) {
                move(found, i, 1)
                set(i, rows[i])
            } else {
                insert(i, rows[i])
            }
        }
    }
}
