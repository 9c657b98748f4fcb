insert into customer (company, contact, address, city, phone, credit_limit, vip, first_order, notes) values
 ('大同水族貿易有限公司', '林志明', '台北市中山區南京東路二段100號', '台北', '02-2521-0001', 150000.00, 1, '1998-03-15', '老客戶,月結30天'),
 ('海洋之心潛水用品', '陳美玲', '高雄市前鎮區中華五路789號', '高雄', '07-335-2211', 80000.50, 0, '2001-07-01', null),
 ('Blue Reef Divers', 'Tom Hale', '12 Harbour Rd, Kowloon', 'Hong Kong', '+852-2388-1200', 120000, 1, '1999-11-30', 'Pays in USD.
Ships via Keelung.'),
 ('珊瑚礁觀光股份有限公司', '王大同', '屏東縣恆春鎮墾丁路50號', '屏東', '08-886-1234', 50000, 0, '2005-01-20', '夏季訂單較多'),
 ('Kelp & Co.', 'Ann O''Neil', '5 Pier St, Monterey', 'Monterey', '+1-831-555-0100', 0, 0, '2010-06-06', 'Name holds a quote: O''Neil'),
 ('新竹科學園區福利社', '張建國', '新竹市東區新安路2號', '新竹', '03-577-0000', 30000, 0, null, ''),
 ('台中海生館附設商店', '李淑芬', '台中市西屯區台灣大道三段99號', '台中', '04-2358-9000', 65000.25, 1, '2012-12-12', '需開立三聯式發票');

insert into department values
 (1, '業務部', 1250000.125000, 101, '台北總公司 5F'),
 (2, '倉儲物流', 830000, 104, '桃園倉庫'),
 (3, '研發部', 2000000.000001, 102, '台北總公司 7F'),
 (4, 'Administration', 450000.5, 103, 'Taipei HQ 3F');

insert into employee (emp_no, name, dept_no, hire_date, salary, phone_ext, start_time, photo) values
 (101, '黃國華', 1, '1995-02-01 09:00:00', 68000.00, '2101', '08:30:00', null),
 (102, '吳佩珊', 3, '1998-08-17 00:00:00', 72500.50, '2701', '09:00:00', null),
 (103, 'Kevin Lee', 4, '2003-05-12 13:45:10', 55000, '2301', '08:00:00', null),
 (104, '蔡明道', 2, '2007-10-01 08:00:00', 48000.75, '3001', '07:30:00', null),
 (105, '鄭雅婷', 1, '2015-03-09 10:15:00', 51000, '2102', '09:30:00', null),
 (106, '周杰', 3, '2020-07-20 09:00:00', 60250.125, null, '10:00:00', null);

insert into parts values
 (1001, '水族箱 60cm 強化玻璃', 25, 3200.0, 2100.0, 0, null),
 (1002, 'Canister filter 1200 l/h', 12, 4850.5, 3020.75, 0, X'255044462D312E340A'),
 (1003, '海水素 25kg', 80, 1750, 1100, 0, null),
 (1004, 'LED lamp 90cm', 0, 5990.99, 4000, 1, null),
 (1005, '溫度計(數位)', 150, 199.5, 88.8, 0, X''),
 (1006, 'Protein skimmer', 7, 12800, 9100.3333, 0, null),
 (1007, '活性碳 1L', 300, 120, 45, 0, null),
 (1008, 'Coral food 100ml', 64, 380.25, 190, 0, null);

insert into orders values
 (5001, 1, 101, '2024-01-05 10:30:00', '2024-01-08', '14:00:00', 15020.5000, 0.05, 1),
 (5002, 3, 105, '2024-01-06 00:00:00', '2024-01-10', '09:15:30', 99999.9999, 0.0, 0),
 (5003, 2, 101, '2024-02-14 16:45:59', null, null, 3200, 0.05, 0),
 (5004, 4, 104, '2024-03-01 08:00:01', '2024-03-02', '00:00:00', 0.0001, 0.05, 1),
 (5005, 5, 103, '2024-03-15 12:00:00', '2024-03-20', '17:30:00', 42000, 0, 1),
 (5006, 7, 105, '2024-04-01 09:09:09', '2024-04-03', '11:11:11', 1234567890.1234, 0.05, 0);

insert into items values
 (5001, 1, 1001, 2, 0.0), (5001, 2, 1003, 4, 0.1), (5001, 3, 1007, 10, 0.0),
 (5002, 1, 1006, 1, 0.15), (5002, 2, 1004, 3, 0.05),
 (5003, 1, 1001, 1, 0.0),
 (5004, 1, 1005, 1, 0.0),
 (5005, 1, 1002, 5, 0.12), (5005, 2, 1008, 20, 0.2),
 (5006, 1, 1006, 50, 0.3);

insert into species (species_no, category, common_name, length_cm, notes) values
 (90001, '雀鯛', '小丑魚', 11, '與海葵共生,體色橘白相間。'),
 (90002, '刺尾鯛', 'Blue Tang', 31, 'Schools over reefs; grazes on algae.'),
 (90003, '蝶魚', '黃色蝴蝶魚', 20.5, '成對活動,以珊瑚蟲為食。
夜間體色變暗。'),
 (90004, '神仙魚', 'Emperor Angelfish', 40, null),
 (90005, '鯙', '花斑裸胸鯙', 150, '藏身礁石洞穴,夜行性。'),
 (90006, '海馬', 'Lined Seahorse', 15.24, 'The male carries the eggs.');

insert into country values
 ('臺灣', '臺北', '亞洲', 36197, 23400000),
 ('Japan', 'Tokyo', 'Asia', 377975, 124500000),
 ('India', 'New Delhi', 'Asia', 3287263, 1428627663),
 ('China', 'Beijing', 'Asia', 9596961, 1411750000),
 ('United States', 'Washington', 'North America', 9833520, 334914895),
 ('Brazil', 'Brasília', 'South America', 8515767, 203080756),
 ('Monaco', 'Monaco', 'Europe', 2.02, 38367),
 ('World', '', '', 510072000, 8045311447);

-- About five thousand sales, made up from a counter.
with recursive n(i) as (select 1 union all select i + 1 from n where i < 5000)
insert into sales_log (log_no, sold_at, branch, part_no, qty, price, remark)
select i,
       datetime('2023-01-01 09:00:00', '+' || (i * 97 % 525600) || ' minutes'),
       case i % 5 when 0 then '台北' when 1 then '台中' when 2 then '高雄' when 3 then '新竹' else 'Online' end,
       1001 + i % 8,
       1 + i * 7 % 12,
       round(100 + (i * 37 % 9000) / 3.0, 2),
       case when i % 50 = 0 then null when i % 7 = 0 then '促銷' else 'order ' || i end
from n;
